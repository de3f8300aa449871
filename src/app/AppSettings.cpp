#include "app/AppSettings.h"

#include <cstdlib>
#include <ctime>

#include "app/Identity.h"
#include "app/Paths.h"

namespace pw {

namespace {
constexpr const char* kMain = "main";
constexpr const char* kWindow = "window";
constexpr size_t kMaxSavePath = 519;
constexpr size_t kMaxBookFormats = 15;
}  // namespace

CAppSettings::CAppSettings()
    : CAppSettings(GetJobRootDir(), GetConfigDir() + kProgramName + ".cfg", GetWorkDir()) {}

CAppSettings::CAppSettings(std::string programDir, std::string configPath, std::string workDir)
    : m_strProgramDir(std::move(programDir)),
      m_strConfigPath(std::move(configPath)),
      m_strWorkDir(std::move(workDir)) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    MakeDirs(m_strWorkDir, 0700);
}

void CAppSettings::LoadSettings() {
    CIniFile ini(m_strConfigPath);
    ini.Load();
    m_nThreadCnt = ini.GetInt(kMain, "threadcnt", 5);
    m_nViewStyle = ini.GetInt(kMain, "viewstyle", 0);
    m_nDownStyle = ini.GetInt(kMain, "downstyle", 0);
    m_nDownTimeout = ini.GetInt(kMain, "downtimeout", 5);
    m_strSavePath = ini.GetString(kMain, "savepath", m_strProgramDir, kMaxSavePath);
    m_nNeedNo = ini.GetInt(kMain, "needno", 1);
    m_nAutoShutPc = ini.GetInt(kMain, "autoshutpc", 0);
    m_nDupFilter = ini.GetInt(kMain, "dupfilter", 0);
    m_nDownSleep = ini.GetInt(kMain, "downsleep", 0);
    m_nShowedTmsg = ini.GetInt(kMain, "showedtmsg", 1);
    m_nTop = ini.GetInt(kWindow, "top", 0);
    m_nLeft = ini.GetInt(kWindow, "left", 0);
    m_nRight = ini.GetInt(kWindow, "right", 0);
    m_nBottom = ini.GetInt(kWindow, "bottom", 0);
    m_strBookFormats = ini.GetString(kMain, "bookformats", "both", kMaxBookFormats);
}

bool CAppSettings::SaveSettings() {
    const size_t slash = m_strConfigPath.rfind('/');
    if (slash != std::string::npos) MakeDirs(m_strConfigPath.substr(0, slash + 1));
    CIniFile ini(m_strConfigPath);
    ini.Load();  // keeps lines and keys this program does not know
    ini.SetInt(kMain, "threadcnt", m_nThreadCnt);
    ini.SetInt(kMain, "viewstyle", m_nViewStyle);
    ini.SetInt(kMain, "downstyle", m_nDownStyle);
    ini.SetInt(kMain, "downtimeout", m_nDownTimeout);
    ini.SetString(kMain, "savepath", m_strSavePath);
    ini.SetInt(kMain, "needno", m_nNeedNo);
    ini.SetInt(kMain, "autoshutpc", m_nAutoShutPc);
    ini.SetInt(kMain, "dupfilter", m_nDupFilter);
    ini.SetInt(kMain, "downsleep", m_nDownSleep);
    ini.SetInt(kMain, "showedtmsg", m_nShowedTmsg);
    ini.SetInt(kWindow, "top", m_nTop);
    ini.SetInt(kWindow, "left", m_nLeft);
    ini.SetInt(kWindow, "right", m_nRight);
    ini.SetInt(kWindow, "bottom", m_nBottom);
    ini.SetString(kMain, "bookformats", m_strBookFormats);
    return ini.Save();
}

CAppSettings& Settings() {
    static CAppSettings settings = [] {
        CAppSettings s;
        s.LoadSettings();
        return s;
    }();
    return settings;
}

}  // namespace pw
