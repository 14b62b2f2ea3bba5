#pragma once

#include "gui/TemplateDialog.h"
#include "setup/SetupRecord.h"

#include <functional>

// "Preferences": date and time formats of stamps, the states set when a setup file opens, and
// whether the program shows on the taskbar or in the tray. Edits its own copy of the whole
// record; the opener takes Setup back after DoModal returns IDOK (and only then).
class CPreferencesDlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = 110;

    // setup is copied; help opens the program's help at a context number.
    CPreferencesDlg(const SetupRecord& setup, std::function<void(int context)> help,
                    QWidget* parent = nullptr);

    SetupRecord Setup; // the copy being edited; complete after OK

    void OnInitDialog() override;

private:
    void OnCommand(int id);
    void LabelDateOrders(bool slash);
    void OnOK();

    std::function<void(int)> Help;
};
