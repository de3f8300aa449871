#pragma once
// The update check at start-up and the update run of the update command. Both run
// on worker threads and reach the window only through the host (status part 0,
// the notice box). A new version is started only when it came over https and
// matches the SHA-256 digest that the update description file gives in its
// "<sha256>" tag; anything else is offered in the browser instead.

#include <functional>
#include <string>

#include "app/UpdateInfo.h"

namespace pw {

// What the download dialog reports about one transfer.
struct UpdateDownload {
    bool bOk = false;      // the whole file was written (the dialog ended with OK)
    bool bSecure = false;  // every address of the transfer, redirects included, was https
};

// Everything the update routines need from outside; the front end fills in the
// window parts, tests replace the rest.
struct CUpdateContext {
    CUpdateInfo* pInfo = &UpdateInfo();
    PageFetch fetch;  // empty: FetchPage
    // The start-up question (UpdateQuestionCaption(), yes/no), asked from the
    // calling thread; empty: the host's yes/no question.
    std::function<bool(const std::string& question)> askUpdate;
    // Runs the download dialog modally with the overwrite question off; empty:
    // the download is offered in the browser instead.
    std::function<UpdateDownload(const std::string& source, const std::string& target)> download;
    std::function<void(const std::string& address)> openInBrowser;
    // Starts the downloaded program and ends this process; returns only when the
    // start failed. Empty: LaunchNewVersion.
    std::function<void(const std::string& file)> launch;
    // Folder the new version is downloaded into; empty: UpdateTargetDir().
    std::string strTargetDir;
};

// Start-up check; asks before updating. Always 0.
int CheckForUpdate(const CUpdateContext& ctx);

// The update command; does nothing while another run is busy. Always 0.
int RunUpdate(const CUpdateContext& ctx);

// The notice box texts: kind 0 "up to date", kind 1 "could not check".
std::string UpdateNoticeText(int kind);
std::string UpdateQuestionCaption();

// The program folder when it can be written, else the private working folder.
std::string UpdateTargetDir();

// name + version + ".exe" as a plain file name: bytes other than letters, digits,
// ".", "-" and "_" become "_", and the name and version are kept short.
std::string UpdateFileName(const std::string& name, const std::string& version);

// The address opened when the user declines: every ".exe" becomes ".rar".
std::string DeclinedUpdateAddress(std::string downUrl);

}  // namespace pw
