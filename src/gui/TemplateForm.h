#pragma once

#include "gui/DialogTemplate.h"

#include <QGroupBox>
#include <QHash>
#include <QWidget>

class QPixmap;

// A box around controls, drawn as the templates expect it: the frame's top line runs through
// the middle of its title. Its access key goes to its buddy, the list it frames.
class FramedBox : public QGroupBox {
    Q_OBJECT
public:
    FramedBox(const QString& title, QWidget* parent);
    // The frame's lines, in the box's coordinates.
    QRect Frame() const;
    void SetBuddy(QWidget* buddy) { buddy_ = buddy; }
    QWidget* Buddy() const { return buddy_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buddy_ = nullptr;
};

// Widgets built from a dialog template and placed as the template places them, with a control-id
// interface (set and read text, numbers, check marks, enabled state, images) for the code.
class TemplateForm : public QWidget {
    Q_OBJECT
public:
    explicit TemplateForm(const DialogTemplate& layout, QWidget* parent = nullptr);

    // Dialog units to pixels, from the form font's average character width and height.
    QRect ToPixels(int x, int y, int cx, int cy) const;

    QWidget* Control(int id) const { return controls_.value(id, nullptr); }
    template <class W> W* ControlAs(int id) const { return qobject_cast<W*>(Control(id)); }
    void SetText(int id, const QString& text);
    QString Text(int id) const;
    void SetInt(int id, int value);
    void SetCheck(int id, bool checked);
    bool IsChecked(int id) const;
    void Enable(int id, bool enabled);
    bool IsEnabled(int id) const;
    void SetImage(int id, const QPixmap& image);

    // List boxes: empty the list; add a text (in its sorted place when the list sorts) and
    // return its row.
    void ResetContent(int id);
    int AddString(int id, const QString& text);

signals:
    // A button or switch was clicked.
    void Command(int id);
    // A list box was double-clicked, on an entry or not.
    void DoubleClicked(int id);
    // An edit field lost the keyboard focus.
    void KillFocus(int id);
    // A link took the keyboard focus.
    void SetFocus(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void NameFields(const DialogTemplate& layout, const QList<QWidget*>& built);
    void WidenCutLabels();

    QHash<int, QWidget*> controls_;
    int baseX_ = 0; // average character width
    int baseY_ = 0; // character height
};
