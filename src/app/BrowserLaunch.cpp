#include "app/BrowserLaunch.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <thread>
#include <vector>

#include "app/DesktopEntry.h"

extern char** environ;

namespace pw {

namespace {

// Starts argv[0] from PATH with stdin from /dev/null and stdout to outFd (or
// inherited when -1), and waits for it. The exit status, or nothing when it could
// not be started or did not end normally.
std::optional<int> RunAndWait(const std::vector<std::string>& args, int outFd = -1) {
    if (args.empty()) return std::nullopt;
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return std::nullopt;

    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return std::nullopt;
    }
    if (!WIFEXITED(status)) return std::nullopt;
    return WEXITSTATUS(status);
}

// The first line a program writes, when it ends with status 0.
std::string FirstOutputLine(const std::vector<std::string>& args) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return {};
    std::string output;
    std::thread reader([&] {
        char buffer[512];
        ssize_t got;
        while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0 && output.size() < 4096) {
            output.append(buffer, static_cast<size_t>(got));
        }
    });
    const auto status = RunAndWait(args, pipeFds[1]);
    close(pipeFds[1]);
    reader.join();
    close(pipeFds[0]);
    if (status != 0) return {};
    const size_t end = output.find_first_of("\r\n");
    return end == std::string::npos ? output : output.substr(0, end);
}

std::optional<std::vector<std::string>> HandlerCommand(const std::string& address) {
    const std::string desktopId = FirstOutputLine({"xdg-mime", "query", "default", "text/html"});
    if (desktopId.empty()) return std::nullopt;
    const std::string file = FindDesktopFile(desktopId);
    if (file.empty()) return std::nullopt;
    return BrowserCommand(ReadDesktopExec(file), address);
}

}  // namespace

BrowserLaunch LaunchBrowserNow(const std::string& address) {
    // An address that reads as an option would be taken as one by the program.
    if (!address.empty() && address.front() == '-') return BrowserLaunch::kNone;
    if (RunAndWait({"xdg-open", address}) == 0) return BrowserLaunch::kXdgOpen;
    const auto command = HandlerCommand(address);
    if (!command) return BrowserLaunch::kNone;
    // Waited for only to collect it when it ends; nobody looks at the result.
    return RunAndWait(*command) ? BrowserLaunch::kHandler : BrowserLaunch::kNone;
}

void OpenInBrowser(const std::string& address) {
    try {
        std::thread([address] { LaunchBrowserNow(address); }).detach();
    } catch (const std::system_error&) {
        // No thread, no browser; nothing is reported.
    }
}

}  // namespace pw
