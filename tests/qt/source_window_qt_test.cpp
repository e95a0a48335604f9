// The Source window on the real Qt layer, offscreen: opened beside the main
// window for a source, its lines painted with the current line's colour,
// which follows Step.

#include <QImage>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <string>

#include "frontend/app.h"
#include "frontend/loading.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "platform/qt/qt_line_list.h"
#include "qt_test_support.h"

namespace {

// The colour the line list paints behind the current line, read off the
// screen at the right end of line `index`.
QColor PaintedBehind(LineListWidget& lines, int32_t index) {
    const QImage shown = lines.viewport()->grab().toImage();
    const int32_t height = lines.fontMetrics().height();
    return shown.pixelColor(shown.width() - 3, (index - lines.FirstShown()) * height + height / 2);
}

TEST(SourceWindowQt, ShowsTheSourceBesideTheMainWindowAndPaintsTheCurrentLine) {
    int argc = 1;
    char name[8] = "quodlet";
    char* argv[2] = {name, nullptr};
    QtLayer layer(argc, argv);
    auto workbench = std::make_unique<Workbench>();
    ASSERT_TRUE(StartMainWindow(*workbench, layer));
    QTemporaryDir folder;
    const std::string path = folder.filePath("calls.asm").toStdString();
    std::ofstream(path) << "; a loop\nSTART: IAC\n        JUN START\n";
    LoadProgramPath(*workbench, layer, path);
    QWidget* source = layer.WindowForTests(kSourceWindow);
    ASSERT_NE(source, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(source));
    EXPECT_EQ(source->windowTitle().toStdString(), "Source - calls.asm");
    auto* lines = dynamic_cast<LineListWidget*>(layer.ControlWidgetForTests(SourceControl::kLines));
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->Count(), 3);
    EXPECT_EQ(lines->Line(1), "START: IAC");
    const QColor current(255, 236, 140);
    EXPECT_EQ(PaintedBehind(*lines, 1), current);
    EXPECT_NE(PaintedBehind(*lines, 2), current);
    StepCommand(*workbench, layer);
    EXPECT_EQ(PaintedBehind(*lines, 2), current);
    EXPECT_NE(PaintedBehind(*lines, 1), current);
    layer.Release();
}

}  // namespace
