// Where the program keeps its files, and that the update's folder is private.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/Paths.h"
#include "app/UpdateCheck.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

using namespace pw;
namespace fs = std::filesystem;

TEST(Paths, FoldersFollowTheXdgVariables) {
    test::TempDir temp;
    test::ScopedEnv env;
    env.Set("XDG_DATA_HOME", temp.File("data"));
    env.Set("XDG_CACHE_HOME", temp.File("cache"));
    env.Set("XDG_CONFIG_HOME", temp.File("config"));
    EXPECT_EQ(GetDataDir(), temp.File("data/pagewell/"));
    EXPECT_EQ(GetJobRootDir(), temp.File("data/pagewell/jobs/"));
    EXPECT_EQ(GetWorkDir(), temp.File("cache/pagewell/"));
    EXPECT_EQ(GetConfigDir(), temp.File("config/pagewell/"));
    // A relative value is no XDG folder; the home's default stands.
    env.Set("XDG_CACHE_HOME", "relative/cache");
    env.Set("HOME", temp.Path());
    EXPECT_EQ(GetWorkDir(), temp.File(".cache/pagewell/"));
}

TEST(Paths, TheUpdateGoesOnlyIntoAPrivateFolderOfTheUser) {
    test::TempDir temp;
    test::ScopedEnv env;
    env.Set("XDG_CACHE_HOME", temp.File("cache"));
    const std::string dir = UpdateTargetDir();
    ASSERT_EQ(dir, temp.File("cache/pagewell/"));
    struct stat st {};
    ASSERT_EQ(::lstat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());

    // A folder others may enter, or a link put in its place, is refused.
    ::chmod(dir.c_str(), 0755);
    EXPECT_EQ(UpdateTargetDir(), "");
    fs::remove(dir);
    fs::create_directories(temp.File("elsewhere"));
    ::chmod(temp.File("elsewhere").c_str(), 0700);
    fs::create_directory_symlink(temp.File("elsewhere"), temp.File("cache/pagewell"));
    EXPECT_EQ(UpdateTargetDir(), "");
}
