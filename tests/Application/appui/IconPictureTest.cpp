#include "Application/appui/IconPicture.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

std::vector<std::uint8_t> png(int size, QRgb colour) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

/// An icon file with one PNG-compressed image per (size, colour), in that order.
vrx::os::IconImage iconFile(const std::vector<std::pair<int, QRgb>>& images) {
    std::vector<std::vector<std::uint8_t>> data;
    for (const auto& [size, colour] : images)
        data.push_back(png(size, colour));
    std::vector<std::uint8_t> file;
    put16(file, 0);
    put16(file, 1);
    put16(file, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int size = images[i].first;
        file.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));
        file.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));
        file.push_back(0);
        file.push_back(0);
        put16(file, 1);
        put16(file, 32);
        put32(file, static_cast<std::uint32_t>(data[i].size()));
        put32(file, offset);
        offset += static_cast<std::uint32_t>(data[i].size());
    }
    for (const auto& d : data)
        file.insert(file.end(), d.begin(), d.end());
    return {file, "ico"};
}

} // namespace

TEST(IconPictureTest, PicksTheSmallestImageNotBelowTheSideElseTheLargest) {
    const QRgb red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
    struct Case {
        std::vector<std::pair<int, QRgb>> images;
        QRgb colour;
        QSize size;
    };
    const Case cases[] = {
        {{{16, red}, {32, green}, {48, blue}}, green, {32, 32}},
        {{{48, blue}, {16, red}}, blue, {32, 32}},   // the larger one, scaled down
        {{{16, red}, {24, green}}, green, {24, 24}}, // all smaller: the largest, as it is
    };
    for (const Case& c : cases) {
        const QPixmap picture = IconPicture(iconFile(c.images), 32);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), c.size);
        EXPECT_EQ(picture.toImage().pixel(8, 8), c.colour);
    }
    EXPECT_TRUE(IconPicture({{1, 2, 3}, "ico"}, 32).isNull());
}
