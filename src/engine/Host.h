#pragma once
// The one way the core reaches its front end. A front end (the Qt window, the
// terminal program, a test) attaches one host; without a host every report is
// dropped and every question answered "no".
//
// Threading discipline: the front end owns one user-interface thread.
// SendToUi runs a call there and waits for it, like a synchronous window message;
// the UI thread itself never waits for a worker, which is what keeps this free
// of deadlocks. All texts are code page 936.

#include <functional>
#include <string>

namespace pw {

enum class TreeOp { Insert, SetImages, Expand, DeleteAll };

// One change of the article tree, reported on the UI thread as it happens.
struct TreeChange {
    TreeOp op;
    int item = 0;
    int parent = 0;
    std::string text;
    int image = 0;
    int selectedImage = 0;
};

enum class PageState { Idle, Listing, Downloading, Building };

class IHost {
public:
    virtual ~IHost() = default;

    // Runs fn on the UI thread and returns when it has run (directly when the
    // caller is the UI thread).
    virtual void SendToUi(const std::function<void()>& fn) = 0;

    // These run on the UI thread (the core routes them through SendToUi).
    virtual void SetStatusText(int part, const std::string& text) = 0;
    virtual void ShowMessageBox(const std::string& text) = 0;
    virtual bool AskYesNo(const std::string& text) = 0;
    virtual void OnTreeChanged(const TreeChange&) {}
    virtual void OnPageStateChanged(PageState) {}
    // Articles begun so far of the listed total, after each one has been handled.
    virtual void OnArticleProgress(int /*done*/, int /*total*/) {}
    // The job has delivered its book (or failed to); `book` is the delivered path or empty.
    virtual void OnJobFinished(const std::string& /*book*/) {}
    // The update check's notice box: kind 0 "up to date", 1 "could not check"
    // (texts in app/UpdateCheck.h).
    virtual void ShowNotice(int /*kind*/) {}
};

void AttachHost(IHost* host);
IHost* GetHost();

// Synchronous send to the UI thread; runs fn directly when no host is attached.
void SendToUi(const std::function<void()>& fn);

// Status bar part 1 for engines and the job, part 0 for the update check.
void ShowStatus(int part, const std::string& text);

// Modal OK box with the application's title, waited for by the caller.
void ShowMessageBox(const std::string& text);

// Modal yes/no question; false without a host.
bool AskYesNo(const std::string& text);

}  // namespace pw
