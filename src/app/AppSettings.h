#pragma once
// The settings record and its file, Pagewell.cfg in the config folder.

#include <string>

#include "app/IniFile.h"

namespace pw {

class CAppSettings {
public:
    // Folders from Paths.h; the working folder is created here.
    CAppSettings();
    // For tests and front ends that keep the file elsewhere.
    CAppSettings(std::string programDir, std::string configPath, std::string workDir);

    void LoadSettings();
    // False when the file cannot be written.
    bool SaveSettings();

    std::string m_strProgramDir;
    std::string m_strConfigPath;
    std::string m_strWorkDir;
    int m_nViewStyle = 0;
    int m_nDownStyle = 0;
    int m_nDownTimeout = 5;
    std::string m_strSavePath;
    int m_nNeedNo = 1;
    int m_nAutoShutPc = 0;
    int m_nDupFilter = 0;
    int m_nDownSleep = 0;
    int m_nShowedTmsg = 0;
    int m_nTop = 0;
    int m_nLeft = 0;
    int m_nRight = 0;
    int m_nBottom = 0;
    int m_nThreadCnt = 5;
    // Which books a job makes: "chm", "epub" or "both" (see book/BookFormats.h).
    std::string m_strBookFormats = "both";
};

// The process's one settings record (created, and its file loaded, on first use).
CAppSettings& Settings();

}  // namespace pw
