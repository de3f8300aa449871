#include "engine/BlogBase.h"
#include "sites/SinaBlog.h"
#include "sites/SinaWeibo.h"

namespace pw {

std::vector<std::unique_ptr<CBlogBase>> CreateEngines() {
    std::vector<std::unique_ptr<CBlogBase>> engines;
    engines.push_back(std::make_unique<CSinaBlog>());
    engines.push_back(std::make_unique<CSinaWeibo>());
    return engines;
}

}  // namespace pw
