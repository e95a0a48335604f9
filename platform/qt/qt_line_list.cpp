#include "platform/qt/qt_line_list.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>

#include "platform/window_layer.h"

namespace {

const QColor kCurrentColour(255, 236, 140);  // the line being executed
const QColor kGutterColour(236, 236, 236);
const QColor kBreakpointColour(200, 30, 30);
const QColor kWarningColour(230, 150, 0);
const QColor kRedTextColour(200, 0, 0);
constexpr int32_t kMarkColumns = 2;  // room for the breakpoint dot and the arrow, in digits

}  // namespace

LineListWidget::LineListWidget(QWidget* parent) : QAbstractScrollArea(parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long lines are cut at the edge
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
}

void LineListWidget::scrollContentsBy(int /*dx*/, int dy) {
    // Moves what is painted already and paints only the lines scrolled in:
    // following the current line scrolls by one line a Step.
    if (std::abs(dy) < RowsShown()) {
        viewport()->scroll(0, dy * RowHeight());
    } else {
        viewport()->update();
    }
}

void LineListWidget::SetLines(const std::vector<std::string>& lines) {
    lines_.clear();
    lines_.reserve(lines.size());
    for (const std::string& line : lines)
        lines_.push_back(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    flags_.assign(lines.size(), 0);
    selected_ = -1;
    digits_ = static_cast<int32_t>(std::to_string(std::max<size_t>(lines.size(), 1)).size());
    UpdateScrollRange();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

std::string LineListWidget::Line(int32_t index) const {
    if (index < 0 || index >= Count()) return {};
    return lines_[static_cast<size_t>(index)].toStdString();
}

void LineListWidget::SetFlags(int32_t index, uint32_t flags) {
    if (index < 0 || index >= Count()) return;
    uint32_t& line = flags_[static_cast<size_t>(index)];
    if (line == (flags & LineFlag::kAll)) return;
    line = flags & LineFlag::kAll;
    RepaintLine(index);
}

uint32_t LineListWidget::Flags(int32_t index) const {
    return index < 0 || index >= Count() ? 0 : flags_[static_cast<size_t>(index)];
}

void LineListWidget::Select(int32_t index) {
    const int32_t old = selected_;
    selected_ = index >= 0 && index < Count() ? index : -1;
    if (old == selected_) return;
    RepaintLine(old);
    RepaintLine(selected_);
    if (selected_ >= 0) ScrollTo(selected_);
}

void LineListWidget::ScrollTo(int32_t index) {
    if (index < 0 || index >= Count()) return;
    const int32_t first = FirstShown();
    const int32_t rows = std::max(1, RowsShown());
    if (index < first) {
        verticalScrollBar()->setValue(index);
    } else if (index >= first + rows) {
        verticalScrollBar()->setValue(index - rows + 1);
    }
}

int32_t LineListWidget::FirstShown() const {
    return verticalScrollBar()->value();
}

int32_t LineListWidget::RowHeight() const {
    return std::max(1, fontMetrics().height());
}

int32_t LineListWidget::RowsShown() const {
    return viewport()->height() / RowHeight();
}

int32_t LineListWidget::GutterWidth() const {
    return fontMetrics().horizontalAdvance(QLatin1Char('9')) * (digits_ + kMarkColumns) + 6;
}

void LineListWidget::UpdateScrollRange() {
    const int32_t rows = std::max(1, RowsShown());
    verticalScrollBar()->setRange(0, std::max(0, Count() - rows));
    verticalScrollBar()->setPageStep(rows);
}

void LineListWidget::RepaintLine(int32_t index) {
    const int32_t row = index - FirstShown();
    if (index < 0 || row < 0 || row > RowsShown()) return;
    viewport()->update(0, row * RowHeight(), viewport()->width(), RowHeight());
}

void LineListWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int32_t height = RowHeight();
    const int32_t gutter = GutterWidth();
    const int32_t digit = fontMetrics().horizontalAdvance(QLatin1Char('9'));
    const int32_t ascent = fontMetrics().ascent();
    const QRect area = event->rect();
    painter.fillRect(QRect(0, area.top(), gutter, area.height()), kGutterColour);
    const int32_t first = FirstShown() + area.top() / height;
    const int32_t last = std::min(Count() - 1, FirstShown() + area.bottom() / height);
    const QPalette& colours = palette();
    for (int32_t index = first; index <= last; ++index) {
        const int32_t y = (index - FirstShown()) * height;
        const uint32_t flags = flags_[static_cast<size_t>(index)];
        const QRect text(gutter, y, viewport()->width() - gutter, height);
        QColor ink = colours.color(QPalette::Text);
        if (index == selected_) {
            painter.fillRect(text, colours.color(QPalette::Highlight));
            ink = colours.color(QPalette::HighlightedText);
        } else if ((flags & LineFlag::kCurrent) != 0) {
            painter.fillRect(text, kCurrentColour);
        }
        if ((flags & LineFlag::kRedText) != 0) ink = kRedTextColour;
        if ((flags & LineFlag::kBreakpoint) != 0) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kBreakpointColour);
            painter.drawEllipse(QRect(2, y + height / 4, height / 2, height / 2));
        } else if ((flags & LineFlag::kWarning) != 0) {
            painter.setPen(kWarningColour);
            painter.drawText(2, y + ascent, QStringLiteral("!"));
        }
        if ((flags & LineFlag::kCurrent) != 0) {
            painter.setPen(colours.color(QPalette::Text));
            painter.drawText(digit + 2, y + ascent, QStringLiteral(">"));
        }
        painter.setPen(colours.color(QPalette::PlaceholderText));
        const QString number = QString::number(index + 1);
        painter.drawText(gutter - 3 - digit * static_cast<int32_t>(number.size()), y + ascent,
                         number);
        painter.setPen(ink);
        painter.drawText(gutter + 2, y + ascent, lines_[static_cast<size_t>(index)]);
    }
}

void LineListWidget::mousePressEvent(QMouseEvent* event) {
    const auto index = FirstShown() + static_cast<int32_t>(event->position().y()) / RowHeight();
    if (event->button() != Qt::LeftButton || index < 0 || index >= Count()) return;
    Select(index);
    const bool inGutter = event->position().x() < GutterWidth();
    if (inGutter && onGutterClick) onGutterClick();
    if (!inGutter && onClick) onClick();
}

void LineListWidget::keyPressEvent(QKeyEvent* event) {
    int32_t index = selected_;
    switch (event->key()) {
        case Qt::Key_Up: --index; break;
        case Qt::Key_Down: ++index; break;
        case Qt::Key_PageUp: index -= std::max(1, RowsShown() - 1); break;
        case Qt::Key_PageDown: index += std::max(1, RowsShown() - 1); break;
        case Qt::Key_Home: index = 0; break;
        case Qt::Key_End: index = Count() - 1; break;
        default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    if (Count() == 0) return;
    Select(std::clamp(index, 0, Count() - 1));
    if (onClick) onClick();
}

void LineListWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void LineListWidget::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateScrollRange();
        viewport()->update();
    }
}
