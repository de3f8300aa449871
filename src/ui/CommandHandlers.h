#pragma once
// The main window's commands that belong to the update check and the share links.
// The window routes them here; each is one small function. Addresses are code
// page 936 text for OpenInBrowser.

#include <string>

#include "app/UpdateCheck.h"

namespace pw {

class CMainDlg;

// What the update routines use of the window: the question, the download dialog
// and the browser, all shown on the GUI thread.
UpdateContext MakeUpdateContext(CMainDlg& window);

// An update check or run is still on its thread; the process must then end
// without tearing down what that thread may be using.
bool UpdateThreadsRunning();

// Window set-up, after part 0 says that a check is running: the start-up check.
void StartUpdateCheck(CMainDlg& window);

// 40008 "更新升级".
void OnUpdateCommand(CMainDlg& window);

// 40037..40043, one handler for the range.
void OnShareCommand(int id);

// The update record's addresses: 40009 help, 40030 site, 40002 other works.
std::string HelpAddress();
std::string SiteAddress();
std::string OtherWorksAddress();

}  // namespace pw
