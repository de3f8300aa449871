#pragma once
// The update check at start-up and the update run of the update command. Both
// run on a worker thread and reach the window only through the context's
// callbacks (status part 0, the notice box, a message, the question, the
// download dialog). A new version is started only when it came over https and
// matches the SHA-256 digest that the update description file gives in its
// "<sha256>" tag; anything else is offered in the browser instead, and only
// http(s) addresses are ever offered.

#include <atomic>
#include <functional>
#include <stop_token>
#include <string>

#include "app/LaunchNewVersion.h"
#include "app/UpdateInfo.h"

namespace pw {

// What the download dialog reports about one transfer.
struct UpdateDownload {
    bool ok = false;      // the whole file was written (the dialog ended with OK)
    bool secure = false;  // every address of the transfer, redirects included, was https
};

// Everything the update routines need from outside; the front end fills in the
// window parts, tests replace the rest.
struct UpdateContext {
    UpdateInfo* info = nullptr;  // the record the fetch updates; required
    std::string address;         // of the update description file; empty: no check
    PageFetch fetch;             // empty: SecureFetch(stop)
    // Ends the fetch and every wait; after it the routines show nothing more.
    std::stop_token stop;
    // Shared by the runs that must not overlap; null: no gate.
    std::atomic<bool>* busy = nullptr;
    // Status part 0 of the window.
    std::function<void(const std::string& text)> status;
    // The notice box: kind 0 "up to date", 1 "could not check".
    std::function<void(int kind)> notice;
    // A message for the user.
    std::function<void(const std::string& text)> message;
    // The start-up question (UpdateQuestionCaption(), yes/no); empty: "no".
    std::function<bool(const std::string& question)> askUpdate;
    // Runs the download dialog modally with the overwrite question off; empty:
    // the download is offered in the browser instead.
    std::function<UpdateDownload(const std::string& source, const std::string& target)> download;
    std::function<void(const std::string& address)> openInBrowser;
    // Verifies the downloaded file against the digest and starts it; empty:
    // LaunchNewVersion.
    std::function<LaunchOutcome(const std::string& file, const std::string& sha256)> launch;
    // The new version runs: this program is to end.
    std::function<void()> quit;
    // Folder the new version is downloaded into; empty: UpdateTargetDir().
    std::string targetDir;
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
