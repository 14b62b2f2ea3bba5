#include "platform/qt/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

MsgAnswer QtMessageBox::Show(const std::u16string& text, MsgStyle style) {
    QWidget* parent = parent_ ? parent_ : QApplication::activeWindow();
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Tapline Brisk"));
    box.setText(QString::fromStdU16String(text));
    // Paths and addresses in a message can be copied from it.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    switch (style.icon) {
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::None:
        break;
    }
    QList<QMessageBox::StandardButton> buttons;
    switch (style.buttons) {
    case MsgButtons::Ok:
        buttons = {QMessageBox::Ok};
        break;
    case MsgButtons::YesNo:
        buttons = {QMessageBox::Yes, QMessageBox::No};
        break;
    case MsgButtons::YesNoCancel:
        buttons = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
        break;
    }
    for (const auto b : buttons)
        box.addButton(b);
    const int index = style.defaultButton < buttons.size() ? style.defaultButton : 0;
    box.setDefaultButton(buttons[index]);
    // Closing the box without a button counts as the last button (No or Cancel, or OK).
    box.setEscapeButton(buttons.back());

    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    default:
        return MsgAnswer::Ok;
    }
}
