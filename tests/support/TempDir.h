#pragma once
// Temporary folders for tests, removed with everything in them at the end.

#include <string>

#include "support/ScopedEnv.h"

namespace pw::test {

class TempDir {
public:
    TempDir();
    ~TempDir();

    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing "/".
    const std::string& Path() const { return path_; }
    // Path() + "/" + relative.
    std::string File(const std::string& relative) const;

private:
    std::string path_;
};

// Points HOME, XDG_CONFIG_HOME and XDG_DATA_HOME at fresh folders, and names a
// fresh desktop folder in $XDG_CONFIG_HOME/user-dirs.dirs; all restored afterwards.
class ScopedHome {
public:
    ScopedHome();

    const std::string& Home() const { return home_; }
    const std::string& ConfigHome() const { return configHome_; }
    const std::string& DataHome() const { return dataHome_; }
    const std::string& Desktop() const { return desktop_; }

private:
    TempDir root_;
    ScopedEnv env_;
    std::string home_, configHome_, dataHome_, desktop_;
};

}  // namespace pw::test
