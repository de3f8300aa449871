#pragma once
// Runs the update check and the update command on threads of their own, owned
// here: Stop() ends their fetches at once and joins them, so a closing window
// never leaves one behind. What they show reaches the window queued; the
// question and the download dialog are the two things they wait for, and
// those waits end with Stop() too.

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <thread>

#include "app/UpdateCheck.h"

class QWidget;

namespace pw {

class Prompter;

class UpdateRunner : public QObject {
    Q_OBJECT
public:
    // Lets tests replace what reaches outside (the fetch, the download, the
    // launch) after the runner has filled in the context.
    using ContextHook = std::function<void(UpdateContext& ctx)>;

    // window owns the boxes and the download dialog; info is the record the
    // checks update; address is the update description's (https).
    UpdateRunner(QWidget* window, Prompter& prompter, UpdateInfo& info, std::string address,
                 std::function<void(const std::string& address)> openInBrowser);
    // Stops and joins every thread.
    ~UpdateRunner() override;

    void SetContextHook(ContextHook hook) { hook_ = std::move(hook); }

    // The start-up check and the update command.
    void StartCheck();
    void StartRun();
    // Ends every fetch and wait and joins the threads; nothing is shown after it.
    void Stop();
    // Threads that have not ended yet.
    int Running() const;

signals:
    // Status part 0.
    void statusChanged(const QString& text);
    // A new version has started: this program is to end.
    void quitRequested();

private:
    struct Worker {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> ended;
    };

    void Start(int (*routine)(const UpdateContext& ctx));
    UpdateContext MakeContext(std::stop_token stop);
    void Reap();
    // Queued to the GUI thread; dropped there when the thread was stopped
    // meanwhile, so nothing shows up after Stop().
    template <class Fn>
    void Post(std::stop_token stop, Fn fn);

    QPointer<QWidget> window_;
    Prompter& prompter_;
    UpdateInfo& info_;
    const std::string address_;
    std::function<void(const std::string& address)> openInBrowser_;
    ContextHook hook_;
    std::atomic<bool> busy_{false};
    std::list<Worker> workers_;
};

}  // namespace pw
