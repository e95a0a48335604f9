#include "packaging/png_image.h"

#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

bool PixelsMatchSize(const Picture& picture) {
    return picture.width > 0 && picture.height > 0 &&
           picture.argb.size() ==
               static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
}

void AppendBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// One chunk: length, type, data and the CRC of type and data.
void AppendChunk(std::vector<uint8_t>& out, const char (&type)[5],
                 const std::vector<uint8_t>& data) {
    AppendBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeStart = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), out.data() + typeStart,
                            static_cast<uInt>(out.size() - typeStart));
    AppendBigEndian(out, static_cast<uint32_t>(crc));
}

}  // namespace

Picture EnlargePicture(const Picture& picture, int32_t factor) {
    if (factor < 1 || !PixelsMatchSize(picture)) return Picture{};
    Picture large{picture.width * factor, picture.height * factor, {}};
    large.argb.reserve(static_cast<size_t>(large.width) * static_cast<size_t>(large.height));
    for (int32_t y = 0; y < large.height; ++y) {
        const size_t row = static_cast<size_t>(y / factor) * static_cast<size_t>(picture.width);
        for (int32_t x = 0; x < large.width; ++x) {
            large.argb.push_back(picture.argb[row + static_cast<size_t>(x / factor)]);
        }
    }
    return large;
}

std::vector<uint8_t> EncodePng(const Picture& picture) {
    if (!PixelsMatchSize(picture)) return {};
    // Each row: filter type 0 (none), then R, G, B, A per pixel.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(picture.height) * (1 + 4 * static_cast<size_t>(picture.width)));
    for (int32_t y = 0; y < picture.height; ++y) {
        raw.push_back(0);
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint32_t argb =
                picture.argb[static_cast<size_t>(y) * static_cast<size_t>(picture.width) +
                             static_cast<size_t>(x)];
            raw.push_back(static_cast<uint8_t>(argb >> 16));
            raw.push_back(static_cast<uint8_t>(argb >> 8));
            raw.push_back(static_cast<uint8_t>(argb));
            raw.push_back(static_cast<uint8_t>(argb >> 24));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        return {};
    }
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    AppendBigEndian(header, static_cast<uint32_t>(picture.width));
    AppendBigEndian(header, static_cast<uint32_t>(picture.height));
    // Bit depth 8, colour type 6 (RGBA), deflate, adaptive filtering, no interlace.
    header.insert(header.end(), {8, 6, 0, 0, 0});

    static constexpr std::array<uint8_t, 8> kSignature = {0x89, 'P',  'N',  'G',
                                                          '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> png(kSignature.begin(), kSignature.end());
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", packed);
    AppendChunk(png, "IEND", {});
    return png;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& why) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) {
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
    }
    if (!out) {
        why = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
