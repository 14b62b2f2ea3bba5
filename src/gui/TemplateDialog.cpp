#include "gui/TemplateDialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace {

bool IsEnter(QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TemplateDialog::TemplateDialog(const DialogTemplate& layout, QWidget* parent)
    : QDialog(parent), form_(new TemplateForm(layout, this)) {
    setWindowTitle(form_->windowTitle());
    setFixedSize(form_->size());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(form_, &TemplateForm::Command, this, [this](int id) {
        if (id == IDCANCEL)
            reject();
    });
    // A focused button or edit field would take Enter before the dialog sees it.
    for (QWidget* child : form_->findChildren<QWidget*>())
        child->installEventFilter(this);
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

void TemplateDialog::PlaceOnScreen() {
    const QScreen* screen =
        parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    // The window manager's frame is not known before the dialog shows; its few pixels are left
    // out of the sums.
    const QRect area = screen->geometry();
    const QSize size = this->size();
    move(area.x() + (area.width() - size.width()) / 2,
         area.y() + (area.height() - size.height()) / 4);
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
