#include "dialogs/PreferencesDlg.h"

#include "resources/PreferencesTemplate.h"

#include <cstdint>
#include <initializer_list>

using namespace idc318;

CPreferencesDlg::CPreferencesDlg(const SetupRecord& setup, std::function<void(int)> help,
                                 QWidget* parent)
    : TemplateDialog(PreferencesTemplate(), parent), Setup(setup), Help(std::move(help)) {
    connect(&Form(), &TemplateForm::Command, this, &CPreferencesDlg::OnCommand);
}

void CPreferencesDlg::OnInitDialog() {
    TemplateDialog::OnInitDialog();
    Form().SetCheck(MonthDayYear + Setup.DateOrder, true);
    Form().SetCheck(DashSeparator + Setup.DateSeparator, true);
    Form().SetCheck(Clock12 + Setup.TimeFormat, true);
    Form().SetCheck(Taskbar + Setup.ProgramIcon, true);
    Form().SetCheck(WriteToFile, Setup.OpenWriteToFile != 0);
    Form().SetCheck(SerialPort, Setup.OpenSerialPort != 0);
    Form().SetCheck(RunMinimized, Setup.OpenMinimized != 0);
    if (Setup.DateSeparator == 1)
        LabelDateOrders(true);
    // Disabled wins over active: a record with both set opens as it would apply them.
    if (Setup.OpenAppDisabled == 1)
        Form().SetCheck(AppDisabled, true);
    else if (Setup.OpenAppActive == 1)
        Form().SetCheck(AppActive, true);
    else
        Form().SetCheck(AppInactive, true);
}

void CPreferencesDlg::LabelDateOrders(bool slash) {
    Form().SetText(MonthDayYear,
                   slash ? QStringLiteral("&Month/Day/Year") : QStringLiteral("&Month-Day-Year"));
    Form().SetText(DayMonthYear,
                   slash ? QStringLiteral("Day/Month/Y&ear") : QStringLiteral("Day-Month-Y&ear"));
}

void CPreferencesDlg::OnCommand(int id) {
    switch (id) {
    case DashSeparator:
    case SlashSeparator:
        LabelDateOrders(id == SlashSeparator);
        break;
    case idc318::Help:
        if (Help)
            Help(HelpContext);
        break;
    case Ok:
        OnOK();
        break;
    default:
        break;
    }
}

void CPreferencesDlg::OnOK() {
    // A group left with no button checked (a stored value outside it) keeps the stored value
    // rather than a difference of control ids.
    const auto store = [this](std::uint8_t& field, std::initializer_list<int> group) {
        int value = 0;
        for (const int button : group) {
            if (Form().IsChecked(button)) {
                field = static_cast<std::uint8_t>(value);
                return;
            }
            ++value;
        }
    };
    store(Setup.DateOrder, {MonthDayYear, DayMonthYear});
    store(Setup.DateSeparator, {DashSeparator, SlashSeparator});
    store(Setup.TimeFormat, {Clock12, Clock24});
    store(Setup.ProgramIcon, {Taskbar, SystemTray});
    Setup.OpenAppActive = Form().IsChecked(AppActive) ? 1 : 0;
    Setup.OpenAppDisabled = Form().IsChecked(AppDisabled) ? 1 : 0;
    Setup.OpenWriteToFile = Form().IsChecked(WriteToFile) ? 1 : 0;
    Setup.OpenSerialPort = Form().IsChecked(SerialPort) ? 1 : 0;
    Setup.OpenMinimized = Form().IsChecked(RunMinimized) ? 1 : 0;
    EndDialog(IDOK);
}
