#include "Platform/os/Files.h"

#include "Platform/os/Wildcard.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace vrx::os;

namespace {

FileTime fromTicks(std::uint64_t ticks) {
    return {static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
}

std::uint64_t ticksOf(const FileTime& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

constexpr std::uint64_t kUnixEpochTicks = 116'444'736'000'000'000ull;

} // namespace

TEST(FileTimeToSystemTime, SplitsTicksSince1601IntoUtcCalendarParts) {
    struct Case {
        std::uint64_t ticks;
        SystemTime expected; // year, month, day of week, day, hour, minute, second, ms
    };
    const Case cases[] = {
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
        {kUnixEpochTicks, {1970, 1, 4, 1, 0, 0, 0, 0}},
        // 2000-02-29 12:34:56.789, a leap day: Unix time 951827696.
        {kUnixEpochTicks + 951'827'696ull * 10'000'000 + 7'890'000,
         {2000, 2, 2, 29, 12, 34, 56, 789}},
        {kUnixEpochTicks + 86'400ull * 10'000'000 - 1, {1970, 1, 4, 1, 23, 59, 59, 999}},
        {0x7FFFFFFFFFFFFFFFull, {30828, 9, 4, 14, 2, 48, 5, 477}},
    };
    for (const Case& c : cases) {
        SystemTime t;
        ASSERT_TRUE(fileTimeToSystemTime(fromTicks(c.ticks), t)) << c.ticks;
        const auto& e = c.expected;
        EXPECT_EQ(std::vector<int>({t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute,
                                    t.wSecond, t.wMilliseconds}),
                  std::vector<int>({e.wYear, e.wMonth, e.wDayOfWeek, e.wDay, e.wHour, e.wMinute,
                                    e.wSecond, e.wMilliseconds}))
            << c.ticks;
    }
    SystemTime untouched;
    setLastError(0);
    EXPECT_FALSE(fileTimeToSystemTime(fromTicks(0x8000000000000000ull), untouched));
    EXPECT_EQ(lastError(), error::kInvalidParameter);
}

TEST(Wildcard, StarAndQuestionMarkOnlyAndStarDotStarMatchesAll) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*", "anything", true},        {"*.txt", "a.txt", true},
        {"*.txt", "a.txt.bak", false},  {"*.txt", ".txt", true},
        {"?.log", "c.log", true},       {"?.log", "cc.log", false},
        {"a*b*c", "aXbYbZc", true},     {"a*b*c", "aXbYbZ", false},
        {"*.*", "README", true},        {"[ab].txt", "a.txt", false},
        {"[ab].txt", "[ab].txt", true}, {"", "", true},
        {"abc", "ABC", false},          {"**x", "x", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " ~ " << c.name;
}

class HostFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (const char* name : {"b.txt", "a.txt", "c.log", ".hidden"})
            std::ofstream(path(name)) << "12345";
    }
    std::string path(const std::string& name) const {
        return dir_.path().toStdString() + "/" + name;
    }

    std::vector<std::string> found(const std::string& pattern) {
        std::vector<std::string> names;
        FindData data;
        const Handle search = hostFiles().findFirstFile(pattern, data);
        if (search == kInvalidHandle)
            return names;
        do
            names.push_back(data.fileName);
        while (hostFiles().findNextFile(search, data));
        EXPECT_EQ(lastError(), error::kNoMoreFiles);
        EXPECT_TRUE(hostFiles().findClose(search));
        return names;
    }

    QTemporaryDir dir_;
};

TEST_F(HostFilesTest, FindsAPlainPathOrThePatternMatchesOfItsFolderInNameOrder) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(found(path("*.txt")), Names({"a.txt", "b.txt"}));
    EXPECT_EQ(found(path("?.log")), Names({"c.log"}));
    EXPECT_EQ(found(path("*")), Names({".hidden", "a.txt", "b.txt", "c.log"}));
    EXPECT_EQ(found(path("c.log")), Names({"c.log"}));

    FindData data;
    const Handle search = hostFiles().findFirstFile(path("a.txt"), data);
    ASSERT_NE(search, kInvalidHandle);
    EXPECT_EQ(data.fileSize, 5u);
    EXPECT_EQ(data.dwFileAttributes, 0x80u);
    EXPECT_TRUE(hostFiles().findClose(search));
    setLastError(0);
    EXPECT_FALSE(hostFiles().findClose(search));
    EXPECT_EQ(lastError(), error::kInvalidHandle);
}

TEST_F(HostFilesTest, MissingFilesAndFoldersFailWithTheirCodes) {
    struct Case {
        std::string pattern;
        std::uint32_t error;
    };
    const Case cases[] = {
        {path("missing.txt"), error::kFileNotFound},
        {path("*.none"), error::kFileNotFound},
        {path("nofolder/a.txt"), error::kPathNotFound},
        {path("nofolder/*"), error::kPathNotFound},
        {path(""), error::kFileNotFound},
    };
    for (const Case& c : cases) {
        FindData data;
        setLastError(0);
        EXPECT_EQ(hostFiles().findFirstFile(c.pattern, data), kInvalidHandle) << c.pattern;
        EXPECT_EQ(lastError(), c.error) << c.pattern;
    }
}

TEST_F(HostFilesTest, CreationTimeIsTheBirthTimeWhereKeptElseTheModificationTime) {
    // Modified at 2001-01-01 00:00 UTC, long before the file was made.
    const std::int64_t modified = 978'307'200;
    const timespec times[2] = {{modified, 0}, {modified, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path("a.txt").c_str(), times, 0), 0);

    FindData data;
    const Handle search = hostFiles().findFirstFile(path("a.txt"), data);
    ASSERT_NE(search, kInvalidHandle);
    EXPECT_TRUE(hostFiles().findClose(search));
    const std::uint64_t modifiedTicks = kUnixEpochTicks + modified * 10'000'000ull;
    EXPECT_EQ(ticksOf(data.ftLastWriteTime), modifiedTicks);

    struct statx info {};
    ASSERT_EQ(::statx(AT_FDCWD, path("a.txt").c_str(), 0, STATX_BTIME, &info), 0);
    if (info.stx_mask & STATX_BTIME) {
        const std::uint64_t now = kUnixEpochTicks + std::time(nullptr) * 10'000'000ull;
        EXPECT_LE(ticksOf(data.ftCreationTime), now + 10'000'000ull);
        EXPECT_GT(ticksOf(data.ftCreationTime), now - 3600 * 10'000'000ull);
    } else {
        EXPECT_EQ(ticksOf(data.ftCreationTime), modifiedTicks);
    }
}
