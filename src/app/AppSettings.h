#pragma once
// The settings record and its file, Pagewell.cfg in the config folder. The keys
// of section "main" and "window" keep their names in the file. Keys this program
// does not use (other versions' options among them) stay in the file as they are.

#include <string>

#include "app/IniFile.h"
#include "job/JobOptions.h"

namespace pw {

class AppSettings {
public:
    // Folders from Paths.h; the working folder is created here.
    AppSettings();
    // For tests and front ends that keep the file elsewhere.
    AppSettings(std::string jobRoot, std::string configPath, std::string workDir);

    void LoadSettings();
    // False when the file cannot be written.
    bool SaveSettings();

    // A job's options from these settings, for the blog at address, with the
    // books delivered to desktopDir.
    JobOptions MakeJobOptions(const std::string& address, const std::string& desktopDir) const;

    std::string jobRoot;  // where job folders are made
    std::string configPath;
    std::string workDir;
    bool autoShutPc = false;  // "autoshutpc"
    int windowTop = 0;
    int windowLeft = 0;
    int windowRight = 0;
    int windowBottom = 0;
    int threadCount = 5;               // "threadcnt"
    std::string bookFormats = "both";  // "bookformats": chm, epub or both
    int retries = 4;                   // "retries": attempts in all for a failing request
    int requestDelay = 0;              // "requestdelay": ms between requests to one host
    bool keepDownloads = false;        // "keepdownloads": keep the job folder after delivery
};

// The process's one settings record (created, and its file loaded, on first use).
AppSettings& Settings();

}  // namespace pw
