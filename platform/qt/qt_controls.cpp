// The controls of the Qt window layer: one small factory per kind, what the
// program reads and writes in them, images and fonts.

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <cstring>

#include "platform/qt/qt_fonts.h"
#include "platform/qt/qt_layer.h"
#include "platform/qt/qt_layer_state.h"
#include "platform/qt/qt_line_list.h"

namespace {

// QLineEdit cuts any text longer than its maximum length, also text the
// program writes. So the maximum in force is the user's limit or the length
// of the text shown, whichever is larger, renewed before every write of the
// program and after every edit of the user.
void FitMaxLength(QLineEdit& edit, int32_t maxChars, qsizetype textLength) {
    constexpr int kQtLargestMaxLength = 32767;
    const int limit = maxChars < 0 ? kQtLargestMaxLength : maxChars;
    edit.setMaxLength(std::max(limit, static_cast<int>(textLength)));
}

QWidget* MakeLabel(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

// A field; an editable one tells `onEdit` of every user edit.
QWidget* MakeField(QWidget* parent, const QString& text, bool centred, bool readOnly,
                   std::function<void(QLineEdit&, qsizetype)> onEdit) {
    auto* edit = new QLineEdit(parent);
    FitMaxLength(*edit, -1, text.size());
    edit->setText(text);
    edit->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
    if (readOnly) {
        edit->setReadOnly(true);
    } else {
        QObject::connect(edit, &QLineEdit::textEdited, edit,
                         [edit, onEdit](const QString& now) { onEdit(*edit, now.size()); });
    }
    return edit;
}

QWidget* MakeMultiLineText(QWidget* parent, const QString& text) {
    auto* lines = new QPlainTextEdit(parent);
    lines->setReadOnly(true);
    lines->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lines->setFocusPolicy(Qt::StrongFocus);
    lines->setFrameShape(QFrame::NoFrame);
    lines->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lines->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines->setBackgroundVisible(false);
    // Read-only text without a border reads as part of the window.
    QPalette palette = lines->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    lines->setPalette(palette);
    lines->setPlainText(QString(text).remove(QLatin1Char('\r')));
    return lines;
}

QWidget* MakeCheckBox(QWidget* parent, const QString& text, std::function<void()> onClick) {
    auto* box = new QCheckBox(text, parent);
    QObject::connect(box, &QCheckBox::clicked, box, [onClick] { onClick(); });
    return box;
}

// The keyboard reaches a window's buttons through its shortcuts: a button
// never takes the focus from the window's fields and lists.
QWidget* MakeButton(QWidget* parent, const QString& text, std::function<void()> onClick) {
    auto* button = new QPushButton(text, parent);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [onClick] { onClick(); });
    return button;
}

QWidget* MakeList(QWidget* parent, std::function<void()> onClick,
                  std::function<void()> onDoubleClick) {
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSortingEnabled(false);
    list->setUniformItemSizes(true);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long lines are cut at the edge
    list->setTextElideMode(Qt::ElideNone);
    QObject::connect(list, &QListWidget::clicked, list, [onClick] { onClick(); });
    // The first click of the two has selected the line.
    QObject::connect(list, &QListWidget::doubleClicked, list, [onDoubleClick] { onDoubleClick(); });
    return list;
}

QWidget* MakeImage(QWidget* parent) {
    auto* image = new QLabel(parent);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setFocusPolicy(Qt::NoFocus);
    return image;
}

}  // namespace

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

QPixmap PixmapOf(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.argb.size() !=
            static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height)) {
        return QPixmap();
    }
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (int32_t y = 0; y < picture.height; ++y) {
        std::memcpy(
            image.scanLine(y),
            picture.argb.data() + static_cast<size_t>(y) * static_cast<size_t>(picture.width),
            static_cast<size_t>(picture.width) * sizeof(uint32_t));
    }
    return QPixmap::fromImage(image);
}

void QtLayer::CreateControl(int32_t window, ControlKind kind, int32_t number, int32_t x, int32_t y,
                            int32_t width, int32_t height, const std::string& text, bool centred) {
    QtWindow* target = state_->FindWindow(window);
    if (target == nullptr) return;
    if (QtControl* old = state_->Find(number)) {
        delete old->widget;
        state_->controls.erase(number);
    }
    QWidget* parent = target->central;
    const QString qtext = ToQt(text);
    EventQueue& events = state_->events;
    auto raise = [&events, number](ControlEventType type) {
        return [&events, number, type] { events.Push(Event{EventKind::Control, number, type}); };
    };
    QWidget* widget = nullptr;
    switch (kind) {
        case ControlKind::Label: widget = MakeLabel(parent, qtext); break;
        case ControlKind::TextField:
        case ControlKind::ReadOnlyTextField: {
            QtLayerState& state = *state_;
            auto onEdit = [&state, number](QLineEdit& edit, qsizetype length) {
                if (QtControl* control = state.Find(number)) {
                    FitMaxLength(edit, control->maxChars, length);
                }
                state.events.Push(Event{EventKind::Control, number, ControlEventType::Change});
            };
            widget =
                MakeField(parent, qtext, centred, kind == ControlKind::ReadOnlyTextField, onEdit);
            break;
        }
        case ControlKind::MultiLineText: widget = MakeMultiLineText(parent, qtext); break;
        case ControlKind::CheckBox:
            widget = MakeCheckBox(parent, qtext, raise(ControlEventType::Other));
            break;
        case ControlKind::List:
            widget = MakeList(parent, raise(ControlEventType::Other),
                              raise(ControlEventType::DoubleClick));
            break;
        case ControlKind::Image: widget = MakeImage(parent); break;
        case ControlKind::Button:
            widget = MakeButton(parent, qtext, raise(ControlEventType::Other));
            break;
        case ControlKind::LineList: {
            auto* list = new LineListWidget(parent);
            list->onClick = raise(ControlEventType::Other);
            list->onGutterClick = raise(ControlEventType::Gutter);
            widget = list;
            break;
        }
    }
    if (widget == nullptr) return;
    widget->setGeometry(x, y, width, height);
    widget->show();
    state_->controls[number] = QtControl{kind, widget};
}

void QtLayer::LimitText(int32_t control, int32_t maxChars) {
    QtControl* found = state_->Find(control);
    if (found == nullptr || found->kind != ControlKind::TextField) return;
    found->maxChars = maxChars > 0 ? maxChars : -1;
    auto* edit = static_cast<QLineEdit*>(found->widget);
    FitMaxLength(*edit, found->maxChars, edit->text().size());
}

void QtLayer::SetAccessibleName(int32_t control, const std::string& name) {
    if (QtControl* found = state_->Find(control)) found->widget->setAccessibleName(ToQt(name));
}

void QtLayer::SetText(int32_t control, const std::string& text) {
    QtControl* found = state_->Find(control);
    if (found == nullptr) return;
    const QString qtext = ToQt(text);
    switch (found->kind) {
        case ControlKind::Label: static_cast<QLabel*>(found->widget)->setText(qtext); break;
        case ControlKind::TextField:
        case ControlKind::ReadOnlyTextField: {
            auto* edit = static_cast<QLineEdit*>(found->widget);
            FitMaxLength(*edit, found->maxChars, qtext.size());
            // A refresh writes every field, most of them unchanged: the same
            // text is left as it stands, without a repaint.
            if (edit->text() != qtext) edit->setText(qtext);
            break;
        }
        case ControlKind::MultiLineText: {
            // Lines arrive separated by "\r\n"; Qt wants "\n" alone.
            auto* lines = static_cast<QPlainTextEdit*>(found->widget);
            const QString plain = QString(qtext).remove(QLatin1Char('\r'));
            // Setting the text lays out and repaints the whole control, the
            // dearest part of a refresh, though a step seldom changes it;
            // only the program writes it, so the same text is left alone.
            if (lines->toPlainText() != plain) lines->setPlainText(plain);
            break;
        }
        case ControlKind::CheckBox: static_cast<QCheckBox*>(found->widget)->setText(qtext); break;
        case ControlKind::Button: static_cast<QPushButton*>(found->widget)->setText(qtext); break;
        case ControlKind::List:
        case ControlKind::Image:
        case ControlKind::LineList: break;
    }
}

std::string QtLayer::GetText(int32_t control) {
    QtControl* found = state_->Find(control);
    if (found == nullptr) return "";
    switch (found->kind) {
        case ControlKind::Label: return static_cast<QLabel*>(found->widget)->text().toStdString();
        case ControlKind::TextField:
        case ControlKind::ReadOnlyTextField:
            return static_cast<QLineEdit*>(found->widget)->text().toStdString();
        case ControlKind::MultiLineText:
            return static_cast<QPlainTextEdit*>(found->widget)
                ->toPlainText()
                .replace(QLatin1Char('\n'), QStringLiteral("\r\n"))
                .toStdString();
        case ControlKind::CheckBox:
            return static_cast<QCheckBox*>(found->widget)->text().toStdString();
        case ControlKind::Button:
            return static_cast<QPushButton*>(found->widget)->text().toStdString();
        case ControlKind::List:
        case ControlKind::Image:
        case ControlKind::LineList: break;
    }
    return "";
}

void QtLayer::SetCheck(int32_t control, int32_t checked) {
    if (auto* box = state_->FindAs<QCheckBox>(control, ControlKind::CheckBox)) {
        box->setChecked(checked != 0);
    }
}

int32_t QtLayer::GetCheck(int32_t control) {
    auto* box = state_->FindAs<QCheckBox>(control, ControlKind::CheckBox);
    return box != nullptr && box->isChecked() ? 1 : 0;
}

void QtLayer::ClearLines(int32_t control) {
    if (auto* list = state_->FindAs<QListWidget>(control, ControlKind::List)) list->clear();
}

void QtLayer::AppendLine(int32_t control, const std::string& line) {
    if (auto* list = state_->FindAs<QListWidget>(control, ControlKind::List)) {
        list->addItem(ToQt(line));
    }
}

int32_t QtLayer::CountLines(int32_t control) {
    if (auto* lines = state_->FindAs<LineListWidget>(control, ControlKind::LineList))
        return lines->Count();
    auto* list = state_->FindAs<QListWidget>(control, ControlKind::List);
    return list == nullptr ? 0 : static_cast<int32_t>(list->count());
}

std::string QtLayer::GetLine(int32_t control, int32_t index) {
    if (auto* lines = state_->FindAs<LineListWidget>(control, ControlKind::LineList))
        return lines->Line(index);
    auto* list = state_->FindAs<QListWidget>(control, ControlKind::List);
    if (list == nullptr || index < 0 || index >= list->count()) return "";
    return list->item(index)->text().toStdString();
}

void QtLayer::SelectLine(int32_t control, int32_t index) {
    if (auto* lines = state_->FindAs<LineListWidget>(control, ControlKind::LineList)) {
        lines->Select(index);
        return;
    }
    auto* list = state_->FindAs<QListWidget>(control, ControlKind::List);
    if (list == nullptr) return;
    if (index >= 0 && index < list->count()) {
        list->setCurrentRow(index);  // selects it and scrolls it into view
    } else {
        list->clearSelection();
        list->setCurrentRow(-1);
    }
}

int32_t QtLayer::SelectedLine(int32_t control) {
    if (auto* lines = state_->FindAs<LineListWidget>(control, ControlKind::LineList))
        return lines->Selected();
    auto* list = state_->FindAs<QListWidget>(control, ControlKind::List);
    if (list == nullptr) return -1;
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : static_cast<int32_t>(list->row(selected.first()));
}

namespace {

// Behind a marked line: a light red that the selection's highlight still
// stands out from.
const QColor kMarkedLineColour(255, 204, 204);

}  // namespace

void QtLayer::SetLineMark(int32_t control, int32_t index, const std::string& description) {
    auto* list = state_->FindAs<QListWidget>(control, ControlKind::List);
    if (list == nullptr || index < 0 || index >= list->count()) return;
    QListWidgetItem* item = list->item(index);
    const QString wanted = ToQt(description);
    if (item->data(Qt::AccessibleDescriptionRole).toString() == wanted) return;
    item->setData(Qt::AccessibleDescriptionRole, wanted);
    item->setBackground(wanted.isEmpty() ? QBrush() : QBrush(kMarkedLineColour));
}

std::string QtLayer::GetLineMark(int32_t control, int32_t index) {
    auto* list = state_->FindAs<QListWidget>(control, ControlKind::List);
    if (list == nullptr || index < 0 || index >= list->count()) return "";
    return list->item(index)->data(Qt::AccessibleDescriptionRole).toString().toStdString();
}

bool QtLayer::CreateImage(int32_t image, const Picture& picture) {
    QPixmap pixmap = PixmapOf(picture);
    if (pixmap.isNull()) return false;
    // A control asked to show this image before shows the picture it held
    // then.
    state_->ApplyPendingImages();
    state_->images[image] = std::move(pixmap);
    for (auto& [number, control] : state_->controls) {
        if (control.shownImage == image) control.shownImage = ShownImage::kStale;
    }
    return true;
}

void QtLayer::ShowImage(int32_t control, int32_t image) {
    QtControl* found = state_->Find(control);
    if (found == nullptr || found->kind != ControlKind::Image) return;
    if (found->pendingImage == ShownImage::kNothingPending) {
        // Asking again for the picture the label holds costs nothing.
        if (found->shownImage == image) return;
        state_->pendingImageControls.push_back(control);
    }
    found->pendingImage = image;
}

void QtLayerState::ApplyPendingImages() {
    for (const int32_t number : pendingImageControls) {
        QtControl* control = Find(number);
        if (control == nullptr || control->pendingImage == ShownImage::kNothingPending) continue;
        const int32_t image = control->pendingImage;
        control->pendingImage = ShownImage::kNothingPending;
        if (image == control->shownImage) continue;
        auto* label = static_cast<QLabel*>(control->widget);
        const auto found = images.find(image);
        if (found == images.end()) {
            label->clear();
            control->shownImage = ShownImage::kNone;
            continue;
        }
        label->setPixmap(found->second);
        label->resize(found->second.size());  // an image control takes the size of its picture
        control->shownImage = image;
    }
    pendingImageControls.clear();
}

void QtLayer::FreeImage(int32_t image) {
    state_->ApplyPendingImages();  // as in CreateImage
    state_->images.erase(image);
    for (auto& [number, control] : state_->controls) {
        if (control.shownImage == image) control.shownImage = ShownImage::kStale;
    }
}

int32_t QtLayer::CreateFont(const std::string& face, int32_t points) {
    if (face.empty() || points <= 0) return -1;
    state_->fonts.push_back(ChooseFixedFont(ToQt(face), points));
    return static_cast<int32_t>(state_->fonts.size() - 1);
}

void QtLayer::SetFont(int32_t control, int32_t font) {
    QtControl* found = state_->Find(control);
    if (found == nullptr || font < 0 || font >= static_cast<int32_t>(state_->fonts.size())) return;
    found->widget->setFont(state_->fonts[static_cast<size_t>(font)]);
}

void QtLayer::SetLines(int32_t control, const std::vector<std::string>& lines) {
    if (auto* list = state_->FindAs<LineListWidget>(control, ControlKind::LineList))
        list->SetLines(lines);
}

void QtLayer::SetLineFlags(int32_t control, int32_t index, uint32_t flags) {
    if (auto* list = state_->FindAs<LineListWidget>(control, ControlKind::LineList))
        list->SetFlags(index, flags);
}

uint32_t QtLayer::GetLineFlags(int32_t control, int32_t index) {
    auto* list = state_->FindAs<LineListWidget>(control, ControlKind::LineList);
    return list == nullptr ? 0 : list->Flags(index);
}

void QtLayer::ScrollToLine(int32_t control, int32_t index) {
    if (auto* list = state_->FindAs<LineListWidget>(control, ControlKind::LineList))
        list->ScrollTo(index);
}

int32_t QtLayer::FirstShownLine(int32_t control) {
    auto* list = state_->FindAs<LineListWidget>(control, ControlKind::LineList);
    return list == nullptr ? 0 : list->FirstShown();
}
