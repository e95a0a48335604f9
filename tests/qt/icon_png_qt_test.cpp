// The icon's PNG files as a PNG reader sees them: every pixel of the
// enlarged icon, alpha included.

#include <gtest/gtest.h>

#include <QImage>

#include "data/icon.h"
#include "packaging/png_image.h"

namespace {

TEST(IconPngQtTest, ReadsBackAsTheEnlargedIcon) {
    const Picture icon = ProgramIcon();
    for (const int32_t factor : {1, 2, 8}) {
        const Picture large = EnlargePicture(icon, factor);
        const std::vector<uint8_t> png = EncodePng(large);
        const QImage image = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
        ASSERT_FALSE(image.isNull()) << "factor " << factor;
        ASSERT_EQ(image.width(), 32 * factor);
        ASSERT_EQ(image.height(), 32 * factor);
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            for (int x = 0; x < argb.width(); ++x) {
                ASSERT_EQ(argb.pixel(x, y), large.argb[static_cast<size_t>(y * large.width + x)])
                    << "factor " << factor << " at " << x << "," << y;
            }
        }
    }
}

}  // namespace
