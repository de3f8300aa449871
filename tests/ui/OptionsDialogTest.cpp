// The options dialog: what a save stores for each kind of input, and what
// closes it.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <cstdio>

#include "UiTestMain.h"
#include "app/AppSettings.h"
#include "app/IniFile.h"
#include "ui/OptionsDialog.h"
#include "ui/UpDown.h"

using namespace pw;
using pw::test::Boxes;

namespace {

const QString kSaved = QStringLiteral("选项设置成功，请关闭软件重新运行!");
const QString kNotInteger = QStringLiteral("Please enter an integer.");
const QString kOutOfRange = QStringLiteral("Please enter an integer between 1 and 10.");

IniFile SavedFile() {
    IniFile ini(Settings().configPath);
    ini.Load();
    return ini;
}

bool FileExists(const std::string& path) {
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
        return true;
    }
    return false;
}

}  // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Boxes().Clear();
        std::remove(Settings().configPath.c_str());
        Settings().threadCount = 5;
        Settings().autoShutPc = false;
    }

    void startsFromTheSettings() {
        Settings().threadCount = 7;
        Settings().autoShutPc = true;
        OptionsDialog dialog(Boxes());
        QCOMPARE(dialog.ThreadEdit()->text(), QStringLiteral("7"));
        QVERIFY(dialog.ShutdownBox()->isChecked());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("选项设置"));
    }

    void saveStoresTheCountItRead_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("complaint");
        QTest::newRow("in range") << "7" << 7 << QString();
        QTest::newRow("blanks around") << " 8\t" << 8 << QString();
        QTest::newRow("zero") << "0" << 1 << kOutOfRange;
        QTest::newRow("negative") << "-3" << 1 << kOutOfRange;
        QTest::newRow("over ten") << "15" << 15 << kOutOfRange;
        QTest::newRow("twenty") << "20" << 20 << kOutOfRange;
        QTest::newRow("over twenty") << "25" << 20 << kOutOfRange;
        QTest::newRow("letters") << "abc" << 5 << kNotInteger;
        QTest::newRow("trailing letters") << "3x" << 5 << kNotInteger;
        QTest::newRow("empty") << "" << 5 << kNotInteger;
        QTest::newRow("too big for int") << "99999999999" << 5 << kNotInteger;
    }

    void saveStoresTheCountItRead() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        QFETCH(QString, complaint);
        OptionsDialog dialog(Boxes());
        dialog.show();
        dialog.ThreadEdit()->setText(typed);
        QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);

        QStringList expected;
        if (!complaint.isEmpty()) expected << complaint;
        expected << kSaved;
        QCOMPARE(Boxes().texts, expected);
        QCOMPARE(Settings().threadCount, stored);
        QCOMPARE(SavedFile().GetInt("main", "threadcnt", -1), stored);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    void saveWritesTheWholeFileAndTheFlag() {
        OptionsDialog dialog(Boxes());
        dialog.show();
        dialog.ShutdownBox()->setChecked(true);
        QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);
        const IniFile ini = SavedFile();
        QCOMPARE(ini.GetInt("main", "autoshutpc", -1), 1);
        QVERIFY(ini.HasKey("window", "bottom"));
        QVERIFY(Settings().autoShutPc);
    }

    void theBookFormatsAreChosenHere() {
        Settings().bookFormats = "nonsense";  // an unknown value reads as both
        OptionsDialog dialog(Boxes());
        dialog.show();
        QCOMPARE(dialog.FormatsBox()->currentData().toString(), QStringLiteral("both"));
        dialog.FormatsBox()->setCurrentIndex(dialog.FormatsBox()->findData("epub"));
        QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);
        QCOMPARE(SavedFile().GetString("main", "bookformats", ""), std::string("epub"));
        Settings().bookFormats = "both";
    }

    void keepingDownloadsIsChosenHere() {
        Settings().keepDownloads = false;
        OptionsDialog dialog(Boxes());
        dialog.show();
        QVERIFY(!dialog.KeepDownloadsBox()->isChecked());
        dialog.KeepDownloadsBox()->setChecked(true);
        QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);
        QCOMPARE(SavedFile().GetInt("main", "keepdownloads", -1), 1);
        QVERIFY(Settings().keepDownloads);
        // And what the settings say is what the next dialog shows.
        OptionsDialog again(Boxes());
        QVERIFY(again.KeepDownloadsBox()->isChecked());
        Settings().keepDownloads = false;
    }

    void theCloseBoxSavesNothing() {
        OptionsDialog dialog(Boxes());
        dialog.show();
        dialog.ThreadEdit()->setText("3");
        dialog.ShutdownBox()->setChecked(true);
        dialog.close();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!FileExists(Settings().configPath));
        QCOMPARE(Settings().threadCount, 5);
        QVERIFY(!Settings().autoShutPc);
        QVERIFY(Boxes().texts.isEmpty());
    }

    void escapeAndEnterNeitherCloseNorSave() {
        OptionsDialog dialog(Boxes());
        dialog.show();
        dialog.ThreadEdit()->setFocus();
        QTest::keyClick(dialog.ThreadEdit(), Qt::Key_Escape);
        QTest::keyClick(dialog.ThreadEdit(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QVERIFY(!FileExists(Settings().configPath));
        QVERIFY(Boxes().texts.isEmpty());
    }

    void theSpinStaysWithinOneToTen() {
        Settings().threadCount = 15;
        OptionsDialog dialog(Boxes());
        dialog.show();
        // The edit shows the stored count even beyond the spin's range ...
        QCOMPARE(dialog.ThreadEdit()->text(), QStringLiteral("15"));
        auto* up = dialog.Spin()->findChild<QToolButton*>("up");
        auto* down = dialog.Spin()->findChild<QToolButton*>("down");
        // ... and a step brings it back into the range.
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(dialog.ThreadEdit()->text(), QStringLiteral("10"));
        QTest::mouseClick(down, Qt::LeftButton);
        QCOMPARE(dialog.ThreadEdit()->text(), QStringLiteral("9"));
        dialog.ThreadEdit()->setText("1");
        QTest::keyClick(dialog.ThreadEdit(), Qt::Key_Down);
        QCOMPARE(dialog.ThreadEdit()->text(), QStringLiteral("1"));
        // Letters in the edit: the step starts from the last position.
        dialog.ThreadEdit()->setText("abc");
        QTest::keyClick(dialog.ThreadEdit(), Qt::Key_Up);
        QCOMPARE(dialog.ThreadEdit()->text(), QStringLiteral("2"));
    }
};

PW_UI_TEST_MAIN(OptionsDialogTest)
#include "OptionsDialogTest.moc"
