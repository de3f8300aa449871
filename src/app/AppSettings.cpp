#include "app/AppSettings.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "app/Paths.h"
#include "base/Identity.h"

namespace pw {

namespace {
constexpr const char* kMain = "main";
constexpr const char* kWindow = "window";
constexpr size_t kMaxBookFormats = 15;
constexpr int kMaxRetries = 20;
// The most workers a job starts, whatever the settings file says (the options
// dialog stores at most 20): each one is a thread and a connection per host.
constexpr int kMaxWorkers = 20;
constexpr int kMaxRequestDelayMs = 600000;
}  // namespace

AppSettings::AppSettings()
    : AppSettings(GetJobRootDir(), GetConfigDir() + kProgramName + ".cfg", GetWorkDir()) {}

AppSettings::AppSettings(std::string jobRootDir, std::string configFile, std::string workFolder)
    : jobRoot(std::move(jobRootDir)),
      configPath(std::move(configFile)),
      workDir(std::move(workFolder)) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    MakeDirs(workDir, 0700);
}

void AppSettings::LoadSettings() {
    IniFile ini(configPath);
    ini.Load();
    threadCount = ini.GetInt(kMain, "threadcnt", 5);
    autoShutPc = ini.GetInt(kMain, "autoshutpc", 0) != 0;
    windowTop = ini.GetInt(kWindow, "top", 0);
    windowLeft = ini.GetInt(kWindow, "left", 0);
    windowRight = ini.GetInt(kWindow, "right", 0);
    windowBottom = ini.GetInt(kWindow, "bottom", 0);
    bookFormats = ini.GetString(kMain, "bookformats", "both", kMaxBookFormats);
    retries = ini.GetInt(kMain, "retries", 4);
    requestDelay = ini.GetInt(kMain, "requestdelay", 0);
    keepDownloads = ini.GetInt(kMain, "keepdownloads", 0) != 0;
}

bool AppSettings::SaveSettings() {
    const size_t slash = configPath.rfind('/');
    if (slash != std::string::npos) MakeDirs(configPath.substr(0, slash + 1), 0700);
    IniFile ini(configPath);
    ini.Load();  // keeps lines and keys this program does not know or use
    ini.SetInt(kMain, "threadcnt", threadCount);
    ini.SetInt(kMain, "autoshutpc", autoShutPc ? 1 : 0);
    ini.SetInt(kWindow, "top", windowTop);
    ini.SetInt(kWindow, "left", windowLeft);
    ini.SetInt(kWindow, "right", windowRight);
    ini.SetInt(kWindow, "bottom", windowBottom);
    ini.SetString(kMain, "bookformats", bookFormats);
    ini.SetInt(kMain, "retries", retries);
    ini.SetInt(kMain, "requestdelay", requestDelay);
    ini.SetInt(kMain, "keepdownloads", keepDownloads ? 1 : 0);
    return ini.Save();
}

JobOptions AppSettings::MakeJobOptions(const std::string& address,
                                       const std::string& desktopDir) const {
    JobOptions options;
    options.address = address;
    options.jobRoot = jobRoot;
    options.desktopDir = desktopDir;
    options.deliveryRecordDir = GetDataDir();
    options.workers = std::min(threadCount, kMaxWorkers);
    options.formats = ParseBookFormats(bookFormats);
    options.attempts = std::clamp(retries, 1, kMaxRetries);
    options.requestDelay =
        std::chrono::milliseconds(std::clamp(requestDelay, 0, kMaxRequestDelayMs));
    options.keepDownloads = keepDownloads;
    return options;
}

AppSettings& Settings() {
    static AppSettings settings = [] {
        AppSettings s;
        s.LoadSettings();
        return s;
    }();
    return settings;
}

}  // namespace pw
