// The icon's PNG files: enlarging by whole factors, and the file structure
// (signature, header, chunk checksums, the pixel rows inside IDAT).

#include "packaging/png_image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/icon.h"

namespace {

// A 3 x 2 picture with a different colour in every pixel.
Picture SmallPicture() {
    return Picture{3, 2, {0xFF000001, 0x80000002, 0x00000003, 0xFF112233, 0xFF445566, 0xFF778899}};
}

TEST(EnlargePictureTest, RepeatsEveryPixelAsASquareBlock) {
    const Picture small = SmallPicture();
    for (const int32_t factor : {1, 2, 3, 8}) {
        const Picture large = EnlargePicture(small, factor);
        ASSERT_EQ(large.width, small.width * factor);
        ASSERT_EQ(large.height, small.height * factor);
        ASSERT_EQ(large.argb.size(), static_cast<size_t>(large.width * large.height));
        for (int32_t y = 0; y < large.height; ++y) {
            for (int32_t x = 0; x < large.width; ++x) {
                ASSERT_EQ(large.argb[static_cast<size_t>(y * large.width + x)],
                          small.argb[static_cast<size_t>((y / factor) * small.width + x / factor)])
                    << "factor " << factor << " at " << x << "," << y;
            }
        }
    }
}

TEST(EnlargePictureTest, RefusesFactorsBelowOneAndBrokenPictures) {
    EXPECT_TRUE(EnlargePicture(SmallPicture(), 0).argb.empty());
    EXPECT_TRUE(EnlargePicture(SmallPicture(), -2).argb.empty());
    Picture broken = SmallPicture();
    broken.argb.pop_back();
    EXPECT_TRUE(EnlargePicture(broken, 2).argb.empty());
    EXPECT_TRUE(EnlargePicture(Picture{}, 2).argb.empty());
}

uint32_t BigEndianAt(const std::vector<uint8_t>& bytes, size_t at) {
    return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
           (uint32_t{bytes[at + 2]} << 8) | uint32_t{bytes[at + 3]};
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// The chunks of a PNG file, each checked against its CRC.
std::vector<Chunk> ReadChunks(const std::vector<uint8_t>& png) {
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = BigEndianAt(png, at);
        if (at + 12 + length > png.size()) break;
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), png.data() + at + 4, 4 + length);
        EXPECT_EQ(BigEndianAt(png, at + 8 + length), static_cast<uint32_t>(crc));
        chunks.push_back(
            Chunk{std::string(png.begin() + static_cast<long>(at) + 4,
                              png.begin() + static_cast<long>(at) + 8),
                  std::vector<uint8_t>(png.begin() + static_cast<long>(at) + 8,
                                       png.begin() + static_cast<long>(at + 8 + length))});
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size()) << "bytes after the last chunk";
    return chunks;
}

TEST(EncodePngTest, WritesRgbaRowsWithTheirFilterBytes) {
    const Picture picture = SmallPicture();
    const std::vector<uint8_t> png = EncodePng(picture);
    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GE(png.size(), signature.size());
    EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8), signature);

    const std::vector<Chunk> chunks = ReadChunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[0].data, (std::vector<uint8_t>{0, 0, 0, 3, 0, 0, 0, 2, 8, 6, 0, 0, 0}));
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    EXPECT_TRUE(chunks[2].data.empty());

    std::vector<uint8_t> rows(64);
    uLongf rowsSize = rows.size();
    ASSERT_EQ(uncompress(rows.data(), &rowsSize, chunks[1].data.data(), chunks[1].data.size()),
              Z_OK);
    rows.resize(rowsSize);
    EXPECT_EQ(rows,
              (std::vector<uint8_t>{
                  0, 0,    0,    1,    0xFF, 0,    0,    2,    0x80, 0,    0,    3,    0x00,  //
                  0, 0x11, 0x22, 0x33, 0xFF, 0x44, 0x55, 0x66, 0xFF, 0x77, 0x88, 0x99, 0xFF}));
}

TEST(EncodePngTest, RefusesAPictureWhosePixelsDoNotMatchItsSize) {
    Picture broken = SmallPicture();
    broken.argb.push_back(0);
    EXPECT_TRUE(EncodePng(broken).empty());
    EXPECT_TRUE(EncodePng(Picture{}).empty());
}

}  // namespace
