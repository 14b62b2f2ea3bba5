#pragma once

#include "platform/MessageBoxService.h"

class QWidget;

// Message boxes over QMessageBox, modal to the given parent (or the active window).
class QtMessageBox : public MessageBoxService {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    MsgAnswer Show(const std::u16string& text, MsgStyle style) override;

private:
    QWidget* parent_;
};
