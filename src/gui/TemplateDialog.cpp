#include "gui/TemplateDialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

bool IsEnter(QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TemplateDialog::TemplateDialog(const DialogTemplate& layout, QWidget* parent)
    : QDialog(parent), form_(new TemplateForm(layout)), scroll_(new QScrollArea(this)) {
    setWindowTitle(form_->windowTitle());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Modal to the main window only: the help window, a window of its own, takes clicks,
    // scrolling and links while the dialog is open.
    setWindowModality(Qt::WindowModal);
    // The face keeps its size; the dialog shows as much of it as the screen has room for.
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus); // Tab goes round the controls alone
    scroll_->setWidgetResizable(false);
    scroll_->setWidget(form_);
    auto* layoutBox = new QVBoxLayout(this);
    layoutBox->setContentsMargins(0, 0, 0, 0);
    layoutBox->addWidget(scroll_);
    setFixedSize(form_->size());
    connect(form_, &TemplateForm::Command, this, [this](int id) {
        if (id == IDCANCEL)
            reject();
    });
    // A focused button or edit field would take Enter before the dialog sees it.
    for (QWidget* child : form_->findChildren<QWidget*>())
        child->installEventFilter(this);
    for (QPushButton* button : form_->findChildren<QPushButton*>())
        if (button->isDefault())
            templateDefaults_.append(button);
    MarkDefaultButtons();
}

void TemplateDialog::SetEnterPressesDefault(bool on) {
    enterPressesDefault_ = on;
    MarkDefaultButtons();
}

// Where Enter does nothing no button may look as if it would answer Enter: neither the
// template's default button nor a button with the focus is drawn as the default.
void TemplateDialog::MarkDefaultButtons() {
    for (QPushButton* button : form_->findChildren<QPushButton*>()) {
        button->setAutoDefault(enterPressesDefault_);
        button->setDefault(enterPressesDefault_ && templateDefaults_.contains(button));
    }
}

int TemplateDialog::DoModal() {
    OnInitDialog();
    return exec() == IDOK ? IDOK : IDCANCEL;
}

void TemplateDialog::OnInitDialog() {
    PlaceOnScreen();
}

WindowId TemplateDialog::NativeId() {
    return static_cast<WindowId>(winId());
}

void TemplateDialog::setVisible(bool visible) {
    if (visible && !isVisible())
        FitToScreen();
    QDialog::setVisible(visible);
}

namespace {

const QScreen* ScreenOf(const QWidget* dialog) {
    const QWidget* parent = dialog->parentWidget();
    return parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
}

// The window manager's frame around the dialog: its own once shown, else that of the window it
// belongs to, which the same window manager decorates alike.
QMargins FrameOf(const QWidget* dialog) {
    for (const QWidget* w :
         {dialog, dialog->parentWidget() ? dialog->parentWidget()->window()
                                         : static_cast<const QWidget*>(nullptr)}) {
        if (w != nullptr && w->isVisible() && w->windowHandle() != nullptr)
            return w->windowHandle()->frameMargins();
    }
    return {};
}

} // namespace

void TemplateDialog::FitToScreen() {
    const QScreen* screen = ScreenOf(this);
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = FrameOf(this);
    const QSize room(area.width() - frame.left() - frame.right(),
                     area.height() - frame.top() - frame.bottom());
    const QSize full = form_->size();
    QSize size = full.boundedTo(room);
    // A scroll bar in one direction takes room that the other direction then lacks.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_);
    if (size.height() < full.height())
        size.setWidth(std::min(full.width() + bar, room.width()));
    if (size.width() < full.width())
        size.setHeight(std::min(full.height() + bar, room.height()));
    setFixedSize(size);
    if (testAttribute(Qt::WA_Moved)) {
        // Kept inside the free area, frame included.
        const QSize outer = size.grownBy(frame);
        move(std::clamp(x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())),
             std::clamp(y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
    }
}

void TemplateDialog::PlaceOnScreen() {
    const QScreen* screen = ScreenOf(this);
    if (screen == nullptr)
        return;
    FitToScreen();
    // The window manager's frame is left out of the sums; FitToScreen keeps it on the screen.
    const QRect area = screen->geometry();
    const QSize size = this->size();
    move(area.x() + (area.width() - size.width()) / 2,
         area.y() + (area.height() - size.height()) / 4);
    FitToScreen();
}

bool TemplateDialog::eventFilter(QObject* watched, QEvent* event) {
    if (!enterPressesDefault_ && IsEnter(event)) {
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
    if (!enterPressesDefault_ &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
