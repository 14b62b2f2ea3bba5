#pragma once

#include "gui/TemplateForm.h"
#include "platform/WindowSystem.h"

#include <QDialog>
#include <QList>

class QPushButton;
class QScrollArea;

// A modal dialog whose face is built from a dialog template. It starts where the program's
// setup dialogs start (centred across, a quarter of the free height down), the Enter key does
// nothing in it (it closes only by its own OK button or by Cancel), and the button with id 2
// cancels it.
//
// It blocks only the window it belongs to, so the help window stays usable beside it. A face
// larger than the screen's free area is shown in a smaller dialog that scrolls.
class TemplateDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDOK = 1;
    static constexpr int IDCANCEL = 2;

    explicit TemplateDialog(const DialogTemplate& layout, QWidget* parent = nullptr);

    TemplateForm& Form() { return *form_; }
    // Prepares the dialog and runs it modally: IDOK or IDCANCEL.
    int DoModal();
    // Prepares the dialog before it shows; derived dialogs fill their controls here after
    // calling this one.
    virtual void OnInitDialog();
    // Closes the dialog with the given result.
    void EndDialog(int result) { done(result); }
    // The dialog as the window system knows it.
    ::WindowId NativeId();
    // Lets Enter press the default button, for dialogs other than the setup dialogs.
    void SetEnterPressesDefault(bool on);

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PlaceOnScreen();
    // Makes the dialog no larger than the free area of its screen, less the window frame.
    void FitToScreen();
    void MarkDefaultButtons();

    TemplateForm* form_;
    QScrollArea* scroll_;
    QList<QPushButton*> templateDefaults_;
    bool enterPressesDefault_ = false;
};
