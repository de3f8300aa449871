#include "ui/CommandHandlers.h"

#include "app/Identity.h"

namespace pw {

// The update check and the share links are not part of this build yet: their
// commands exist and do nothing, and the addresses are the update record's
// defaults before any check.

void StartUpdateCheck(CMainDlg& /*window*/) {}

void OnUpdateCommand(CMainDlg& /*window*/) {}

void OnShareCommand(int /*id*/) {}

std::string HelpAddress() { return kHelpPageUrl; }

std::string SiteAddress() { return kSiteUrl; }

std::string OtherWorksAddress() { return {}; }

}  // namespace pw
