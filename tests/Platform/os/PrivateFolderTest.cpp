#include "Platform/os/PrivateFolder.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace vrx::os;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class PrivateFolderTest : public ::testing::Test {
protected:
    std::string base() const { return dir.path().toStdString(); }
    std::string makeFolder(const std::string& name, mode_t mode) const {
        const std::string folder = base() + "/" + name;
        EXPECT_EQ(::mkdir(folder.c_str(), 0700), 0);
        EXPECT_EQ(::chmod(folder.c_str(), mode), 0);
        return folder;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(PrivateFolderTest, IsCreatedOnceWithMode0700) {
    const auto sub = privateSubfolder(base(), "windows");
    ASSERT_TRUE(sub);
    EXPECT_EQ(*sub, base() + "/windows");
    EXPECT_EQ(modeOf(*sub), 0700u);
    EXPECT_EQ(privateSubfolder(base(), "windows"), sub);
    EXPECT_FALSE(privateSubfolder(base() + "/missing", "windows"));
}

TEST_F(PrivateFolderTest, WhatOthersCouldReachIsRefusedAndLeftAlone) {
    makeFolder("open", 0755);
    makeFolder("target", 0700);
    ASSERT_EQ(::symlink((base() + "/target").c_str(), (base() + "/link").c_str()), 0);
    EXPECT_FALSE(privateSubfolder(base(), "open"));
    EXPECT_EQ(modeOf(base() + "/open"), 0755u); // not taken over
    EXPECT_FALSE(privateSubfolder(base(), "link"));
    EXPECT_FALSE(isPrivateFolder("relative"));
    EXPECT_FALSE(isPrivateFolder(""));
    EXPECT_TRUE(isPrivateFolder(base() + "/target"));
}

TEST_F(PrivateFolderTest, AFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a folder to another user";
    const std::string foreign = makeFolder("foreign", 0700);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(isPrivateFolder(foreign));
    EXPECT_FALSE(privateSubfolder(base(), "foreign"));
}
