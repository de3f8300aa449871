#include "ui/ProgramIcon.h"

namespace pw {

QIcon ProgramIcon() {
    static const QIcon icon(QStringLiteral(":/pagewell.png"));
    return icon;
}

}  // namespace pw
