#pragma once

#include "gui/TemplateDialog.h"
#include "platform/MessageBoxService.h"
#include "platform/WindowSystem.h"
#include "setup/SetupRecord.h"

#include <functional>

// "Get Target Application": where the keystroke sender types, into the window that has the
// keyboard, into the window whose title contains a text, or nowhere. Lists the titled windows
// open now, and brings the matching one to the front to check the choice. Writes TargetAppMode
// and TargetAppTitle of the record only when it closes with OK.
class CTarget_App_Dlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = 105;
    static constexpr const char16_t* NoTargetMessage = u"No target application specified.     ";
    static constexpr const char16_t* NotFoundMessage = u"Cannot find selected application     ";
    static constexpr const char16_t* SelectTargetMessage =
        u"You must select an application target.     ";

    // help opens the program's help at a context number.
    CTarget_App_Dlg(SetupRecord& setup, WindowSystem& windows, MessageBoxService& messages,
                    std::function<void(int context)> help, QWidget* parent = nullptr);

    // TargetAppMode and TargetAppTitle as they were when the dialog was made, for the opener's
    // comparison after OK.
    int PreviousMode = 0;
    char PreviousTitle[101] = {};

    void OnInitDialog() override;
    // Lists the visible titled windows, leaving out this dialog and the program's windows.
    void FillAppList();
    // Enables the list, its hint, the edit field, its label and "Show App" together.
    void EnableAppGroup(bool enable);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCommand(int id);
    void OnDblClkAppList();
    void OnKillFocusAppEdit();
    void OnShowApp();
    void OnOK();

    SetupRecord& Setup;
    WindowSystem& Windows;
    MessageBoxService& Messages;
    std::function<void(int)> Help;
};
