#pragma once
// The update check at start-up and the update run of the update command. Both run
// on worker threads and reach the window only through the context's callbacks
// (status part 0, the notice box, a message). A new version is started only when it came over https and
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
struct UpdateContext {
    UpdateInfo* pInfo = &SharedUpdateInfo();
    PageFetch fetch;  // empty: FetchPage
    // Status part 0 of the window (code page 936).
    std::function<void(const std::string& text)> status;
    // The notice box: kind 0 "up to date", 1 "could not check".
    std::function<void(int kind)> notice;
    // A message for the user (code page 936).
    std::function<void(const std::string& text)> message;
    // The start-up question (UpdateQuestionCaption(), yes/no), asked from the
    // calling thread; empty: "no".
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
int CheckForUpdate(const UpdateContext& ctx);

// The update command; does nothing while another run is busy. Always 0.
int RunUpdate(const UpdateContext& ctx);

// The notice box texts: kind 0 "up to date", kind 1 "could not check".
std::string UpdateNoticeText(int kind);
std::string UpdateQuestionCaption();

// The user's private cache folder (0700); empty when it is not private.
std::string UpdateTargetDir();

// name + version + ".exe" as a plain file name: bytes other than letters, digits,
// ".", "-" and "_" become "_", and the name and version are kept short.
std::string UpdateFileName(const std::string& name, const std::string& version);

// The address opened when the user declines: every ".exe" becomes ".rar".
std::string DeclinedUpdateAddress(std::string downUrl);

}  // namespace pw
