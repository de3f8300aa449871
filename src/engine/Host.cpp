#include "engine/Host.h"

#include <atomic>

namespace pw {

namespace {
std::atomic<IHost*> g_host{nullptr};
}

void AttachHost(IHost* host) {
    g_host.store(host);
}
IHost* GetHost() {
    return g_host.load();
}

void SendToUi(const std::function<void()>& fn) {
    if (IHost* host = GetHost()) {
        host->SendToUi(fn);
    } else {
        fn();
    }
}

void ShowStatus(int part, const std::string& text) {
    IHost* host = GetHost();
    if (!host) return;
    host->SendToUi([&] { host->SetStatusText(part, text); });
}

void ShowMessageBox(const std::string& text) {
    IHost* host = GetHost();
    if (!host) return;
    host->SendToUi([&] { host->ShowMessageBox(text); });
}

bool AskYesNo(const std::string& text) {
    IHost* host = GetHost();
    if (!host) return false;
    bool yes = false;
    host->SendToUi([&] { yes = host->AskYesNo(text); });
    return yes;
}

}  // namespace pw
