#include "platform/qt/qt_fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace {

constexpr int kLayoutDotsPerInch = 96;
constexpr int kPointsPerInch = 72;
// Faces at the size asked may be stepped down this many pixels to fit.
constexpr int kMostPixelsLess = 4;
// Far beyond any use, and far from overflowing the arithmetic below.
constexpr int kMostPoints = 1000;

QFont FixedCandidate(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    // Where the family is missing, the hints steer fontconfig to a
    // fixed-pitch face.
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

}  // namespace

int FixedLineBudget(int points) {
    points = std::clamp(points, 1, kMostPoints);
    // 1.2 x points x 96 / 72 = points x 1.6, rounded up.
    return (points * 16 + 9) / 10;
}

int LineHeightOf(const QFont& font) {
    const QFontMetrics metrics(font);
    return std::max(metrics.height(), metrics.lineSpacing());
}

QFont ChooseFixedFont(const QString& face, int points) {
    points = std::clamp(points, 1, kMostPoints);
    const int pixels =
        std::max(1, (points * kLayoutDotsPerInch + kPointsPerInch / 2) / kPointsPerInch);
    const int budget = FixedLineBudget(points);
    const QStringList families = {
        face,
        QFontDatabase::systemFont(QFontDatabase::FixedFont).family(),
        QStringLiteral("DejaVu Sans Mono"),
        QStringLiteral("Liberation Mono"),
        QStringLiteral("monospace"),
    };
    for (int size = pixels; size >= std::max(1, pixels - kMostPixelsLess); --size) {
        for (const QString& family : families) {
            if (family.isEmpty()) continue;
            const QFont font = FixedCandidate(family, size);
            if (QFontInfo(font).fixedPitch() && LineHeightOf(font) <= budget) return font;
        }
    }
    return FixedCandidate(face, pixels);
}
