#include "Platform/os/Icons.h"

#include "Platform/os/Handles.h"
#include "Platform/os/LittleEndian.h"
#include "Platform/os/PeResources.h"
#include "tests/support/ApplicationFoldersTest.h"
#include "tests/support/FakeIcons.h"
#include "tests/support/PeFileBuilder.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vrx::os;
using vrx::test::FakeIcons;
using vrx::test::iconGroup;
using vrx::test::iconImage;
using vrx::test::PeFileBuilder;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kImageBytes = 40 + 16 * 16 * 4 + 16 * 4; // header, pixels, mask

QImage decoded(const IconImage& icon) {
    return QImage::fromData(icon.data.data(), static_cast<int>(icon.data.size()),
                            QString::fromStdString(icon.format).toUpper().toLatin1().constData());
}

/// A square image of one colour in a format Qt writes ("PNG", "XPM").
std::vector<std::uint8_t> imageFile(int size, QRgb colour, const char* format) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return {bytes.begin(), bytes.end()};
}

/// Every image an icon file names lies inside it.
bool wellFormedIconFile(const std::vector<std::uint8_t>& file) {
    if (file.size() < 6 || readU16(file.data()) != 0 || readU16(file.data() + 2) != 1)
        return false;
    const std::size_t count = readU16(file.data() + 4);
    if (count == 0 || 6 + 16 * count > file.size())
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = file.data() + 6 + 16 * i;
        const std::uint64_t size = readU32(entry + 8);
        const std::uint64_t offset = readU32(entry + 12);
        if (offset < 6 + 16 * count || offset + size > file.size())
            return false;
    }
    return true;
}

/// Two icon groups: the first of a red image, the second naming a missing image (7) and a
/// green one; a blue image no group names.
std::vector<std::uint8_t> samplePe() {
    return PeFileBuilder()
        .add(PeResources::kIcon, 1, iconImage(kRed))
        .add(PeResources::kIcon, 2, iconImage(kGreen))
        .add(PeResources::kIcon, 3, iconImage(kBlue))
        .add(PeResources::kGroupIcon, 101, iconGroup({{1, kImageBytes}}))
        .add(PeResources::kGroupIcon, 102, iconGroup({{7, kImageBytes}, {2, kImageBytes}}))
        .add(PeResources::kGroupIcon, 103, iconGroup({{7, kImageBytes}}))
        .build();
}

} // namespace

using HostIconsTest = vrx::test::ApplicationFoldersTest;

TEST_F(HostIconsTest, APeFilesIconGroupsBecomeIconFilesByIndex) {
    ASSERT_TRUE(writeFile("app.exe", samplePe()));
    const std::string file = path("app.exe");

    const auto first = hostIcons().extractIcon(file, 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->format, "ico");
    EXPECT_TRUE(wellFormedIconFile(first->data));
    const QImage red = decoded(*first);
    ASSERT_FALSE(red.isNull());
    EXPECT_EQ(red.size(), QSize(16, 16));
    EXPECT_EQ(red.pixel(5, 5), kRed);

    // The image the group names but the file lacks is left out; the other still shows.
    const auto second = hostIcons().extractIcon(file, 1);
    ASSERT_TRUE(second);
    EXPECT_EQ(readU16(second->data.data() + 4), 1);
    EXPECT_EQ(decoded(*second).pixel(0, 15), kGreen);

    EXPECT_FALSE(hostIcons().extractIcon(file, 2)); // none of its images is there
    EXPECT_FALSE(hostIcons().extractIcon(file, 3)); // past the last group
}

TEST_F(HostIconsTest, FilesWithoutIconsHaveNone) {
    ASSERT_TRUE(writeFile("noicon.exe", PeFileBuilder()
                                            .add(PeResources::kIcon, 1, iconImage(kRed))
                                            .add(PeResources::kVersion, 1, {0, 0, 0, 0})
                                            .build()));
    ASSERT_TRUE(writeFile("plain.txt", {'t', 'e', 'x', 't'}));
    script("orphan");
    for (const std::string name : {"noicon.exe", "plain.txt", "bin/orphan"})
        EXPECT_FALSE(hostIcons().extractIcon(path(name), 0)) << name;
    setLastError(0);
    EXPECT_FALSE(hostIcons().extractIcon(path("missing"), 0));
    EXPECT_EQ(lastError(), error::kFileNotFound);
}

TEST_F(HostIconsTest, DamagedPeFilesGiveNoIconOrAWellFormedOne) {
    const auto good = samplePe();
    // The resource tree opens the section and the icon groups close it; the bytes between are
    // pixels, which no reader checks.
    std::size_t end = good.size();
    while (end > 0 && good[end - 1] == 0)
        --end;
    std::vector<std::size_t> places;
    for (std::size_t at = PeFileBuilder::kResourceSectionOffset;
         at < PeFileBuilder::kResourceSectionOffset + 0x180; ++at)
        places.push_back(at);
    for (std::size_t at = end - 0x60; at < end; ++at)
        places.push_back(at);
    for (const std::size_t at : places) {
        for (const std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
            auto damaged = good;
            damaged[at] = value;
            ASSERT_TRUE(writeFile("hostile.exe", damaged));
            for (std::uint32_t index = 0; index < 3; ++index) {
                if (const auto icon = hostIcons().extractIcon(path("hostile.exe"), index)) {
                    EXPECT_TRUE(wellFormedIconFile(icon->data)) << at << " " << index;
                }
            }
        }
    }
}

TEST_F(HostIconsTest, AnIconFileIsItsOwnIcon) {
    ASSERT_TRUE(writeFile("a.exe", samplePe()));
    const auto pe = hostIcons().extractIcon(path("a.exe"), 0);
    ASSERT_TRUE(pe);
    ASSERT_TRUE(writeFile("red.ico", pe->data));
    const auto icon = hostIcons().extractIcon(path("red.ico"), 0);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->data, pe->data);
    EXPECT_EQ(icon->format, "ico");
    EXPECT_FALSE(hostIcons().extractIcon(path("red.ico"), 1));
}

TEST_F(HostIconsTest, AScriptShowsTheThemeIconOfTheEntryThatLaunchesIt) {
    const std::string viewer = script("viewer");
    desktopEntry("home", "viewer.desktop",
                 "Type=Application\nName=Viewer\nIcon=vrx-test-viewer\nExec=" + viewer + "\n");
    // The large icon is 32 pixels: of the sizes there, 32 beats both 16 and 48.
    ASSERT_TRUE(writeFile("system/icons/hicolor/16x16/apps/vrx-test-viewer.png",
                          imageFile(16, kRed, "PNG")));
    ASSERT_TRUE(writeFile("system/icons/hicolor/32x32/apps/vrx-test-viewer.png",
                          imageFile(32, kGreen, "PNG")));
    ASSERT_TRUE(writeFile("system/icons/hicolor/48x48/apps/vrx-test-viewer.png",
                          imageFile(48, kBlue, "PNG")));
    const auto icon = hostIcons().extractIcon(viewer, 0);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->format, "png");
    EXPECT_EQ(decoded(*icon).size(), QSize(32, 32));
    EXPECT_EQ(decoded(*icon).pixel(1, 1), kGreen);
    EXPECT_FALSE(hostIcons().extractIcon(viewer, 1));

    // Without 32, the next larger size; with only smaller ones, the largest of them.
    ASSERT_TRUE(QFile::remove(
        QString::fromStdString(path("system/icons/hicolor/32x32/apps/vrx-test-viewer.png"))));
    EXPECT_EQ(decoded(*hostIcons().extractIcon(viewer, 0)).size(), QSize(48, 48));
    ASSERT_TRUE(QFile::remove(
        QString::fromStdString(path("system/icons/hicolor/48x48/apps/vrx-test-viewer.png"))));
    ASSERT_TRUE(writeFile("system/icons/hicolor/24x24/apps/vrx-test-viewer.png",
                          imageFile(24, kBlue, "PNG")));
    EXPECT_EQ(decoded(*hostIcons().extractIcon(viewer, 0)).size(), QSize(24, 24));
}

TEST_F(HostIconsTest, TheUsersThemeFolderScalableIconsAndAbsolutePaths) {
    const std::string viewer = script("viewer");
    const std::string tool = script("tool");
    const std::string gone = script("gone");
    desktopEntry("home", "viewer.desktop",
                 "Type=Application\nName=Viewer\nIcon=vrx-test-viewer\nExec=" + viewer + "\n");
    desktopEntry("home", "tool.desktop",
                 "Type=Application\nName=Tool\nIcon=" + path("art/tool.xpm") + "\nExec=" + tool +
                     "\n");
    desktopEntry("home", "gone.desktop",
                 "Type=Application\nName=Gone\nIcon=vrx-test-no-such-icon\nExec=" + gone + "\n");

    // The user's folder decides over the system's, and a scalable image serves when it has no
    // sized one.
    const std::vector<std::uint8_t> svg = {'<', 's', 'v', 'g', '/', '>'};
    ASSERT_TRUE(writeFile("home/icons/hicolor/scalable/apps/vrx-test-viewer.svg", svg));
    ASSERT_TRUE(writeFile("system/icons/hicolor/32x32/apps/vrx-test-viewer.png",
                          imageFile(32, kGreen, "PNG")));
    const auto scalable = hostIcons().extractIcon(viewer, 0);
    ASSERT_TRUE(scalable);
    EXPECT_EQ(scalable->format, "svg");
    EXPECT_EQ(scalable->data, svg);

    const auto xpm = hostIcons().extractIcon(tool, 0);
    ASSERT_FALSE(xpm); // the file is not there yet
    ASSERT_TRUE(writeFile("art/tool.xpm", imageFile(16, kRed, "XPM")));
    const auto drawn = hostIcons().extractIcon(tool, 0);
    ASSERT_TRUE(drawn);
    EXPECT_EQ(drawn->format, "xpm");
    EXPECT_EQ(decoded(*drawn).pixel(3, 3), kRed);

    EXPECT_FALSE(hostIcons().extractIcon(gone, 0));
}

TEST(FakeIcons, HandsOutTheIconsOfAFileByIndexAndRecordsRequests) {
    FakeIcons fake;
    fake.addIcon("/opt/app", {{1, 2, 3}, "ico"});
    fake.addIcon("/opt/app", {{4}, "png"});
    ASSERT_TRUE(fake.extractIcon("/opt/app", 1));
    EXPECT_EQ(fake.extractIcon("/opt/app", 1)->format, "png");
    EXPECT_FALSE(fake.extractIcon("/opt/app", 2));
    EXPECT_FALSE(fake.extractIcon("/opt/other", 0));
    EXPECT_EQ(fake.requests(),
              (std::vector<FakeIcons::Request>{
                  {"/opt/app", 1}, {"/opt/app", 1}, {"/opt/app", 2}, {"/opt/other", 0}}));
}
