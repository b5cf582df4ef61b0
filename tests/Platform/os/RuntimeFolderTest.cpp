#include "Platform/os/RuntimeFolder.h"

#include <QDir>
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

class RuntimeFolderTest : public ::testing::Test {
protected:
    std::string path(const char* name) const {
        return QDir(dir.path()).filePath(name).toStdString();
    }
    std::string makeFolder(const char* name, mode_t mode) const {
        const std::string folder = path(name);
        EXPECT_EQ(::mkdir(folder.c_str(), 0700), 0);
        EXPECT_EQ(::chmod(folder.c_str(), mode), 0);
        return folder;
    }
    std::string base() const { return dir.path().toStdString(); }
    std::string fallbackFolder() const {
        return base() + "/vrx-runtime-" + std::to_string(::geteuid());
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(RuntimeFolderTest, UsesAPrivateXdgRuntimeFolderAsItIs) {
    const std::string runtime = makeFolder("run", 0700);
    EXPECT_EQ(userRuntimeFolder(runtime.c_str(), path("tmp")), runtime);
    EXPECT_EQ(userRuntimeFolder((runtime + "/").c_str(), path("tmp")), runtime);
}

TEST_F(RuntimeFolderTest, FallsBackToAFolderOfItsOwnWithMode0700) {
    const auto unset = userRuntimeFolder(nullptr, base());
    ASSERT_TRUE(unset);
    EXPECT_EQ(*unset, fallbackFolder());
    EXPECT_EQ(modeOf(*unset), 0700u);
    // Made once, then used again as it is.
    EXPECT_EQ(userRuntimeFolder(nullptr, base()), unset);
}

TEST_F(RuntimeFolderTest, RefusesRuntimeFoldersOthersCouldReach) {
    const std::string open = makeFolder("open", 0755);
    const std::string target = makeFolder("target", 0700);
    const std::string link = path("link");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    for (const std::string& bad :
         {open, link, link + "/", std::string("relative"), std::string("")}) {
        // The XDG folder is passed over for the fallback.
        EXPECT_EQ(userRuntimeFolder(bad.c_str(), base()), fallbackFolder()) << bad;
    }
}

TEST_F(RuntimeFolderTest, RefusesAFallbackFolderThatIsNotPrivate) {
    const std::string planted = fallbackFolder();
    ASSERT_EQ(::mkdir(planted.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(planted.c_str(), 0777), 0);
    EXPECT_FALSE(userRuntimeFolder(nullptr, base()));
    EXPECT_EQ(modeOf(planted), 0777u); // left alone, not taken over
}

TEST_F(RuntimeFolderTest, RefusesAFolderOfAnotherUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a folder to another user";
    const std::string foreign = makeFolder("foreign", 0700);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(isPrivateFolder(foreign));
    EXPECT_FALSE(privateSubfolder(base(), "foreign"));
}

TEST_F(RuntimeFolderTest, PrivateSubfolderIsCreatedOnceWithMode0700) {
    const auto sub = privateSubfolder(base(), "windows");
    ASSERT_TRUE(sub);
    EXPECT_EQ(modeOf(*sub), 0700u);
    EXPECT_EQ(privateSubfolder(base(), "windows"), sub);
    EXPECT_FALSE(privateSubfolder(path("missing"), "windows"));
}
