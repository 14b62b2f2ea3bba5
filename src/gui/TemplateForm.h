#pragma once

#include "gui/DialogTemplate.h"

#include <QHash>
#include <QWidget>

class QPixmap;

// Widgets built from a dialog template and placed as the template places them, with a control-id
// interface (set and read text, numbers, check marks, enabled state, images) for the code.
class TemplateForm : public QWidget {
    Q_OBJECT
public:
    explicit TemplateForm(const DialogTemplate& layout, QWidget* parent = nullptr);

    // Dialog units to pixels, from the form font's average character width and height.
    QRect ToPixels(int x, int y, int cx, int cy) const;

    QWidget* Control(int id) const { return controls_.value(id, nullptr); }
    void SetText(int id, const QString& text);
    QString Text(int id) const;
    void SetInt(int id, int value);
    void SetCheck(int id, bool checked);
    bool IsChecked(int id) const;
    void Enable(int id, bool enabled);
    bool IsEnabled(int id) const;
    void SetImage(int id, const QPixmap& image);

signals:
    // A button or switch was clicked.
    void Command(int id);

private:
    QHash<int, QWidget*> controls_;
    int baseX_ = 0; // average character width
    int baseY_ = 0; // character height
};
