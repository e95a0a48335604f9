#pragma once
// The LineList control on Qt: numbered read-only lines with marks, drawn by
// hand so that thousands of lines load in a few milliseconds and a change
// of marks repaints only the lines it touches. Internal to platform/qt.

#include <QAbstractScrollArea>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class LineListWidget : public QAbstractScrollArea {
public:
    explicit LineListWidget(QWidget* parent);

    // What a click tells the program: the line is selected first.
    std::function<void()> onClick;
    std::function<void()> onGutterClick;

    void SetLines(const std::vector<std::string>& lines);
    [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(lines_.size()); }
    [[nodiscard]] std::string Line(int32_t index) const;
    void SetFlags(int32_t index, uint32_t flags);
    [[nodiscard]] uint32_t Flags(int32_t index) const;
    void Select(int32_t index);  // -1: none; a line is scrolled into view
    [[nodiscard]] int32_t Selected() const { return selected_; }
    void ScrollTo(int32_t index);
    [[nodiscard]] int32_t FirstShown() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    [[nodiscard]] int32_t RowHeight() const;
    [[nodiscard]] int32_t RowsShown() const;
    [[nodiscard]] int32_t GutterWidth() const;
    void UpdateScrollRange();
    void RepaintLine(int32_t index);

    std::vector<QString> lines_;
    std::vector<uint32_t> flags_;
    int32_t selected_ = -1;
    int32_t digits_ = 1;  // of the highest line number
};
