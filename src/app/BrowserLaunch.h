#pragma once
// Opens a web address in the user's default browser: xdg-open first, then the
// default text/html handler's desktop entry started directly. Never through a
// shell, never blocking the caller, never reporting a failure.

#include <string>

namespace pw {

// The address is UTF-8 text, as the core keeps it. Returns at once; the
// launch runs on a thread of its own.
void OpenInBrowser(const std::string& address);

enum class BrowserLaunch { kXdgOpen, kHandler, kNone };

// The launch itself, waiting for what it starts (the address in UTF-8). Says which
// way the address was handed on.
BrowserLaunch LaunchBrowserNow(const std::string& address);

}  // namespace pw
