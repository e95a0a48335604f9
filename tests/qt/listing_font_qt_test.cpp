// The code listing shows all its 32 lines and the RAM dump its 18 with no
// scroll bar, in a crisp fixed-pitch face, whatever fonts fontconfig offers.
// CTest runs these tests once with DejaVu alone and once with the URW fonts
// as well (FONTCONFIG_FILE names the set-up of each run).

#include <QFontInfo>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <string>

#include "frontend/main_window.h"
#include "platform/qt/qt_fonts.h"
#include "qt_test_support.h"

namespace {

constexpr int kListingLines = 32;
constexpr int kRamDumpLines = 18;

class ListingFontQtTest : public QtWindowTest {
protected:
    void SetUp() override {
        QtWindowTest::SetUp();
        if (HasFatalFailure()) return;
        BuildMainWindow(layer);
        QCoreApplication::processEvents();
    }
};

TEST_F(ListingFontQtTest, TheRunHasTheFacesItWasSetUpFor) {
    // In the run with the URW fonts, "Courier" must be the face that is too
    // tall, or the run proves nothing.
    const QString courier = qEnvironmentVariable("QUODLET_TEST_COURIER_IS");
    if (courier.isEmpty()) GTEST_SKIP() << "the system's own fonts";
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("Courier"))).family(), courier);
}

TEST_F(ListingFontQtTest, AllListingLinesFitWithNoScrollBar) {
    auto* listing = WidgetOf<QListWidget>(Control::kCodeListing);
    ASSERT_NE(listing, nullptr);
    for (int i = 0; i < kListingLines; ++i) {
        layer.AppendLine(Control::kCodeListing, "0x" + std::to_string(100 + i) + "  D2    LDM 2");
    }
    layer.SelectLine(Control::kCodeListing, kListingLines - 1);
    QCoreApplication::processEvents();

    const QFontInfo info(listing->font());
    SCOPED_TRACE(info.family().toStdString() + " at " + std::to_string(info.pixelSize()) + " px");
    EXPECT_TRUE(info.fixedPitch());
    const int lineHeight = LineHeightOf(listing->font());
    EXPECT_LE(kListingLines * lineHeight, listing->viewport()->height());
    EXPECT_LE(kListingLines * listing->sizeHintForRow(0), listing->viewport()->height());
    EXPECT_FALSE(listing->verticalScrollBar()->isVisible());
    // The last line is whole inside the view, and the first still shows.
    EXPECT_LE(listing->visualItemRect(listing->item(kListingLines - 1)).bottom(),
              listing->viewport()->rect().bottom());
    EXPECT_EQ(listing->visualItemRect(listing->item(0)).top(), 0);
}

TEST_F(ListingFontQtTest, AllRamDumpLinesFit) {
    auto* dump = WidgetOf<QPlainTextEdit>(Control::kRamDump);
    ASSERT_NE(dump, nullptr);
    std::string text;
    for (int i = 0; i < kRamDumpLines; ++i) {
        text += (i == 0 ? "" : "\r\n") + std::string("0 0: 0000000000000000 0000");
    }
    layer.SetText(Control::kRamDump, text);
    QCoreApplication::processEvents();

    const QFontInfo info(dump->font());
    SCOPED_TRACE(info.family().toStdString());
    EXPECT_TRUE(info.fixedPitch());
    const int margins = 2 * static_cast<int>(dump->document()->documentMargin());
    EXPECT_LE(kRamDumpLines * LineHeightOf(dump->font()) + margins, dump->viewport()->height());
    EXPECT_EQ(dump->verticalScrollBar()->maximum(), 0) << "lines beyond the view";
}

// At every size near the window's 8 points the chosen face is fixed-pitch
// and its lines fit 1.2 times the size.
TEST(FixedFontTest, LinesFitTheBudgetAtEverySize) {
    for (int points = 6; points <= 14; ++points) {
        const QFont font = ChooseFixedFont(QStringLiteral("Courier"), points);
        const QFontInfo info(font);
        EXPECT_TRUE(info.fixedPitch()) << points << " points: " << info.family().toStdString();
        EXPECT_LE(LineHeightOf(font), FixedLineBudget(points))
            << points << " points: " << info.family().toStdString();
        // Stepped down by a few pixels at most, never up.
        EXPECT_LE(font.pixelSize(), (points * 96 + 36) / 72);
        EXPECT_GE(font.pixelSize(), (points * 96 + 36) / 72 - 4);
    }
}

TEST(FixedFontTest, BudgetIsOnePointTwoTimesTheSizeRoundedUp) {
    EXPECT_EQ(FixedLineBudget(8), 13);   // 12.8
    EXPECT_EQ(FixedLineBudget(10), 16);  // 16.0 exactly
    EXPECT_EQ(FixedLineBudget(1), 2);    // 1.6
    EXPECT_EQ(FixedLineBudget(0), FixedLineBudget(1));
}

}  // namespace
