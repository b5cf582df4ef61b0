#include "Platform/os/VersionResources.h"

#include "Platform/os/Handles.h"
#include "Platform/os/PeResources.h"
#include "Platform/os/VersionBlock.h"
#include "tests/support/ApplicationFoldersTest.h"
#include "tests/support/FakeVersionResources.h"
#include "tests/support/PeFileBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace vrx::os;
using vrx::test::FakeVersionResources;
using vrx::test::PeFileBuilder;
namespace vb = vrx::os::version_block;

namespace {

using Strings = std::vector<std::pair<std::string, std::string>>;

/// A handed-out block and the queries a reader makes of it.
struct Block {
    std::vector<std::uint8_t> bytes;

    bool contains(const void* p, std::uint32_t length) const {
        const auto* b = static_cast<const std::uint8_t*>(p);
        return b >= bytes.data() && b + length <= bytes.data() + bytes.size();
    }
    std::optional<std::string> text(const std::string& subBlock) const {
        const void* value = nullptr;
        std::uint32_t length = 0;
        if (!vb::query(bytes.data(), subBlock, &value, &length))
            return std::nullopt;
        EXPECT_TRUE(contains(value, length)) << subBlock;
        const auto* text = static_cast<const char*>(value);
        EXPECT_EQ(text[length - 1], '\0') << subBlock;
        EXPECT_EQ(std::strlen(text) + 1, length) << subBlock;
        return std::string(text);
    }
    std::optional<FixedFileInfo> fixed() const {
        const void* value = nullptr;
        std::uint32_t length = 0;
        if (!vb::query(bytes.data(), "\\", &value, &length))
            return std::nullopt;
        EXPECT_TRUE(contains(value, length));
        EXPECT_EQ(length, sizeof(FixedFileInfo));
        FixedFileInfo info;
        std::memcpy(&info, value, sizeof info);
        return info;
    }
    std::vector<std::uint32_t> translations() const {
        const void* value = nullptr;
        std::uint32_t length = 0;
        std::vector<std::uint32_t> result;
        if (vb::query(bytes.data(), "\\VarFileInfo\\Translation", &value, &length)) {
            EXPECT_TRUE(contains(value, length));
            result.resize(length / 4);
            std::memcpy(result.data(), value, result.size() * 4);
        }
        return result;
    }
};

/// What the host hands out for a file, through the service's own calls.
std::optional<Block> hostBlock(const std::string& path) {
    VersionResources& resources = hostVersionResources();
    const std::uint32_t size = resources.getFileVersionInfoSize(path);
    if (size == 0)
        return std::nullopt;
    Block block{std::vector<std::uint8_t>(size)};
    EXPECT_TRUE(resources.getFileVersionInfo(path, size, block.bytes.data()));
    return block;
}

vb::VersionInfo sampleInfo() {
    return FakeVersionResources::versionInfo({{"CompanyName", "Vornex Labs"},
                                              {"ProductName", "Packet Viewer"},
                                              {"FileDescription", "\xE6\x8A\x93\xE5\x8C\x85"},
                                              {"Comments", ""}},
                                             {3, 1, 4, 15});
}

std::vector<std::uint8_t> samplePe() {
    return PeFileBuilder()
        .add(PeResources::kVersion, 1, vb::write(sampleInfo()))
        .add(PeResources::kIcon, 1, vrx::test::iconImage(0xFF0000FF))
        .add(PeResources::kGroupIcon, 101, vrx::test::iconGroup({{1, 1128}}))
        .build();
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

TEST(VersionBlock, WritesTheResourceLayoutOfThePlatform) {
    const auto bytes = vb::write(sampleInfo());
    // The root's length covers the whole resource; its key and the fixed information sit at
    // their well-known offsets.
    EXPECT_EQ(bytes[0] | (bytes[1] << 8), static_cast<int>(bytes.size()));
    EXPECT_EQ(bytes[2] | (bytes[3] << 8), 52);
    const char16_t key[] = u"VS_VERSION_INFO";
    EXPECT_EQ(std::memcmp(bytes.data() + 6, key, sizeof key), 0);
    std::uint32_t signature = 0;
    std::memcpy(&signature, bytes.data() + 40, 4);
    EXPECT_EQ(signature, vb::kFixedInfoSignature);
    EXPECT_EQ(vb::tableKey(0x0804, 0x03A8), "080403A8");
}

TEST(VersionBlock, QueriesFixedInfoTranslationsAndTextsWithoutRegardToCase) {
    const Block block{vb::makeQueryable(vb::write(sampleInfo()))};
    const auto fixed = block.fixed();
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00030001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x0004000Fu);
    EXPECT_EQ(block.translations(), std::vector<std::uint32_t>({0x04E40409u}));

    struct Case {
        std::string subBlock;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {"\\StringFileInfo\\040904E4\\ProductName", "Packet Viewer"},
        {"\\stringfileinfo\\040904e4\\PRODUCTNAME", "Packet Viewer"},
        {"\\StringFileInfo\\040904E4\\FileDescription", "\xE6\x8A\x93\xE5\x8C\x85"},
        {"\\StringFileInfo\\040904E4\\Comments", ""},
        {"\\StringFileInfo\\040904E4\\InternalName", std::nullopt},
        {"\\StringFileInfo\\040904B0\\ProductName", std::nullopt},
        {"\\StringFileInfo\\040904E4\\ProductName\\More", std::nullopt},
        {"\\StringFileInfo", std::nullopt},
        {"\\Nothing", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(block.text(c.subBlock), c.text) << c.subBlock;
}

TEST(VersionBlock, DamagedResourcesAreRefusedOrReadWithinTheirBounds) {
    const auto good = vb::write(sampleInfo());
    // Every shorter prefix is refused (the root's length overruns it).
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_TRUE(vb::makeQueryable({good.data(), size}).empty()) << size;
    // Damaging any byte, even the lengths inside the tree, leaves a block that can be queried.
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (const std::uint8_t value :
             {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x07}}) {
            auto damaged = good;
            damaged[at] = value;
            const Block block{vb::makeQueryable(damaged)};
            if (block.bytes.empty())
                continue;
            (void)block.fixed();
            (void)block.translations();
            (void)block.text("\\StringFileInfo\\040904E4\\ProductName");
            (void)block.text("\\StringFileInfo\\040904E4\\FileDescription");
        }
    }
}

TEST(FakeVersionResources, HandsOutBlocksThatTheQueriesRead) {
    FakeVersionResources fake;
    fake.addFile("/opt/app", sampleInfo());
    const std::uint32_t size = fake.getFileVersionInfoSize("/opt/app");
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> data(size);
    EXPECT_FALSE(fake.getFileVersionInfo("/opt/app", size - 1, data.data()));
    ASSERT_TRUE(fake.getFileVersionInfo("/opt/app", size, data.data()));
    const void* value = nullptr;
    std::uint32_t length = 0;
    ASSERT_TRUE(fake.verQueryValue(data.data(), "\\StringFileInfo\\040904E4\\CompanyName", &value,
                                   &length));
    EXPECT_STREQ(static_cast<const char*>(value), "Vornex Labs");
    EXPECT_EQ(fake.getFileVersionInfoSize("/opt/other"), 0u);
    EXPECT_EQ(fake.requests,
              std::vector<std::string>({"/opt/app", "/opt/app", "/opt/app", "/opt/other"}));
}

using HostVersionResourcesTest = vrx::test::ApplicationFoldersTest;

TEST_F(HostVersionResourcesTest, ReadsTheVersionResourceOfAPeFile) {
    ASSERT_TRUE(writeFile("app.exe", samplePe()));
    const auto block = hostBlock(path("app.exe"));
    ASSERT_TRUE(block);
    ASSERT_TRUE(block->fixed());
    EXPECT_EQ(block->fixed()->dwFileVersionMS, 0x00030001u);
    EXPECT_EQ(block->text("\\StringFileInfo\\040904E4\\CompanyName"), "Vornex Labs");
    EXPECT_EQ(block->text("\\StringFileInfo\\040904E4\\FileDescription"),
              "\xE6\x8A\x93\xE5\x8C\x85");

    // The buffer must hold the whole block: a cut one could not be queried safely.
    std::vector<std::uint8_t> small(block->bytes.size() - 1);
    setLastError(0);
    EXPECT_FALSE(hostVersionResources().getFileVersionInfo(
        path("app.exe"), static_cast<std::uint32_t>(small.size()), small.data()));
    EXPECT_EQ(lastError(), error::kInsufficientBuffer);
}

TEST_F(HostVersionResourcesTest, ATranslationWithoutItsStringTableAndAMissingKey) {
    // The translation names the Unicode code page, the only table is 04E4, and there is no
    // "CompanyName": what a reader must cope with in real files.
    vb::VersionInfo info = FakeVersionResources::versionInfo(
        {{"ProductName", "Mixed Tables"}, {"FileVersion", "5.0"}}, {5, 0, 0, 0});
    info.translations = {{0x0409, 0x04B0}};
    ASSERT_TRUE(
        PeFileBuilder().add(PeResources::kVersion, 1, vb::write(info)).writeTo(path("mixed.exe")));
    const auto block = hostBlock(path("mixed.exe"));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->translations(), std::vector<std::uint32_t>({0x04B00409u}));
    EXPECT_EQ(block->text("\\StringFileInfo\\040904B0\\ProductName"), std::nullopt);
    EXPECT_EQ(block->text("\\StringFileInfo\\040904E4\\ProductName"), "Mixed Tables");
    EXPECT_EQ(block->text("\\StringFileInfo\\040904E4\\CompanyName"), std::nullopt);
    EXPECT_EQ(block->text("\\StringFileInfo\\040904E4\\FileVersion"), "5.0");
}

TEST_F(HostVersionResourcesTest, FilesWithoutAVersionResourceHaveNone) {
    ASSERT_TRUE(PeFileBuilder()
                    .add(PeResources::kIcon, 1, vrx::test::iconImage(0))
                    .writeTo(path("noversion.exe")));
    std::ofstream(path("plain.txt")) << "text";
    for (const std::string& file : {path("noversion.exe"), path("plain.txt"), path("missing")})
        EXPECT_EQ(hostVersionResources().getFileVersionInfoSize(file), 0u) << file;
}

TEST_F(HostVersionResourcesTest, DamagedOrHostilePeFilesGiveNoResourceAndNoFault) {
    const auto good = samplePe();
    std::vector<std::vector<std::uint8_t>> files;
    // Cut anywhere.
    for (std::size_t size = 0; size < good.size(); size += 13)
        files.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    // Offsets and sizes that point outside the file or wrap around.
    for (const std::uint32_t value : {0x7FFFFFF0u, 0xFFFFFFFFu, 0x00001FFFu, 0u}) {
        for (const std::size_t at :
             {std::size_t{0x3C}, std::size_t{PeFileBuilder::kResourceDirectoryEntryOffset},
              std::size_t{PeFileBuilder::kResourceDirectoryEntryOffset + 4},
              std::size_t{PeFileBuilder::kSectionHeaderOffset + 8},
              std::size_t{PeFileBuilder::kSectionHeaderOffset + 12},
              std::size_t{PeFileBuilder::kSectionHeaderOffset + 16},
              std::size_t{PeFileBuilder::kSectionHeaderOffset + 20}}) {
            auto damaged = good;
            put32(damaged, at, value);
            files.push_back(std::move(damaged));
        }
    }
    // Every byte of the resource tree and its data set to a large value in turn.
    for (std::size_t at = PeFileBuilder::kResourceSectionOffset; at < good.size() && at < 0x600;
         ++at) {
        auto damaged = good;
        damaged[at] = 0xFF;
        files.push_back(std::move(damaged));
    }
    const std::string file = path("hostile.exe");
    for (std::size_t i = 0; i < files.size(); ++i) {
        ASSERT_TRUE(writeFile("hostile.exe", files[i]));
        if (const auto block = hostBlock(file)) {
            (void)block->fixed();
            (void)block->translations();
            (void)block->text("\\StringFileInfo\\040904E4\\ProductName");
        }
    }
}

TEST_F(HostVersionResourcesTest, AScriptIsDescribedByTheDesktopEntryThatLaunchesIt) {
    const std::string viewer = script("viewer");
    const std::string tool = script("tool");
    const std::string bare = script("bare");
    script("orphan");
    desktopEntry("home", "viewer.desktop",
                 "Type=Application\nName=Log Viewer\nComment=Shows\\slogs\nExec=\"" + viewer +
                     "\" %F\n");
    desktopEntry("home", "tool.desktop",
                 "Type=Application\nName=Tool Box\nExec=sh -c true\nTryExec=" + tool + "\n");
    desktopEntry("home", "bare.desktop", "Type=Application\nName=Bare\nExec=env A=1 bare %U\n");

    const auto block = hostBlock(viewer);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->translations(), std::vector<std::uint32_t>({0x04E40409u}));
    EXPECT_EQ(block->text("\\StringFileInfo\\040904E4\\ProductName"), "Log Viewer");
    EXPECT_EQ(block->text("\\StringFileInfo\\040904E4\\FileDescription"), "Shows logs");
    EXPECT_EQ(block->text("\\StringFileInfo\\040904E4\\CompanyName"), std::nullopt);
    ASSERT_TRUE(block->fixed());

    // Without a comment the name describes the file too; TryExec and $PATH find the program.
    const auto toolBlock = hostBlock(tool);
    ASSERT_TRUE(toolBlock);
    EXPECT_EQ(toolBlock->text("\\StringFileInfo\\040904E4\\FileDescription"), "Tool Box");
    const auto bareBlock = hostBlock(bare);
    ASSERT_TRUE(bareBlock);
    EXPECT_EQ(bareBlock->text("\\StringFileInfo\\040904E4\\ProductName"), "Bare");

    EXPECT_FALSE(hostBlock(path("bin/orphan")));
}

TEST_F(HostVersionResourcesTest, TheUsersEntryHidesTheSystemsOfTheSameIdAndTranslationsApply) {
    const std::string viewer = script("viewer");
    desktopEntry("system", "viewer.desktop",
                 "Type=Application\nName=System Viewer\nExec=" + viewer + "\n");
    desktopEntry("home", "viewer.desktop",
                 "Type=Application\nName=Home Viewer\nName[zh_CN]=\xE6\x9F\xA5\xE7\x9C\x8B\nExec=" +
                     viewer + "\n");
    EXPECT_EQ(hostBlock(viewer)->text("\\StringFileInfo\\040904E4\\ProductName"), "Home Viewer");
    setEnvironment("LC_ALL", "zh_CN.UTF-8");
    EXPECT_EQ(hostBlock(viewer)->text("\\StringFileInfo\\040904E4\\ProductName"),
              "\xE6\x9F\xA5\xE7\x9C\x8B");
    // A hidden entry of the user hides the system's too, even when rewritten in place.
    desktopEntry("home", "viewer.desktop",
                 "Type=Application\nHidden=true\nName=Gone\nExec=" + viewer + "\n");
    EXPECT_FALSE(hostBlock(viewer));
}

TEST(HostVersionResources, TheRunningProgramReportsTheVersionOfTheBuild) {
    const auto block = hostBlock(QCoreApplication::applicationFilePath().toStdString());
    ASSERT_TRUE(block);
    const auto fixed = block->fixed();
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->dwSignature, vb::kFixedInfoSignature);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020004u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00080054u);
    EXPECT_EQ(block->text("\\StringFileInfo\\040904E4\\ProductName"), "VORNEX Personal FireWall");
    EXPECT_EQ(block->text("\\StringFileInfo\\040904E4\\FileVersion"), "2.4.8.84");
}
