#pragma once
// Runs a helper program to its end without a shell and without ever waiting on
// it for good: its output is read as it comes (so a chatty child never blocks
// on a full pipe), and after the time-out the child and everything it started
// are killed, as they are when stop is requested.

#include <chrono>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace pw {

struct ChildResult {
    bool started = false;
    bool timedOut = false;
    bool cancelled = false;  // killed because the caller stopped
    int exitCode = -1;       // the exit status, or 128 + signal number when killed
};

// argv[0] is the program's path (no PATH search). The child runs in workDir
// with stdin from /dev/null; stdout and stderr share one pipe, and onLine gets
// each line of it without its line end, in order.
ChildResult RunChildProcess(const std::vector<std::string>& argv, const std::string& workDir,
                            std::chrono::milliseconds timeout,
                            const std::function<void(const std::string&)>& onLine,
                            std::stop_token stop = {});

// The executable file a bare name stands for on PATH (or the name itself when it
// contains a "/" and is executable); empty when there is none.
std::string FindExecutable(const std::string& name);

}  // namespace pw
