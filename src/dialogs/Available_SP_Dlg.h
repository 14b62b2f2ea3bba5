#pragma once

#include "gui/TemplateDialog.h"
#include "platform/MessageBoxService.h"
#include "platform/SerialPortDiscovery.h"
#include "platform/SettingsStore.h"
#include "serial/SP_Support.h"

// "Available Serial Ports": the installed ports, each with a check box; the checked ones are
// the ports the device search may try, stored as UsePorts by OK. Opening it brings the stored
// inventory up to date. It neither opens nor searches a port.
class CAvailable_SP_Dlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = 100;
    static constexpr const char16_t* SelectPortMessage =
        u"You must select at least 1 serial port.     ";
    // Added to the description of a port whose device this user may not open.
    static constexpr const char* NoPermissionMark = " (no permission)";

    CAvailable_SP_Dlg(SettingsStore& settings, SerialPortDiscovery& discovery,
                      MessageBoxService& messages, QWidget* parent = nullptr);

    CSP_Support Ports;
    int ListedPorts = 0; // rows in the list

    void OnInitDialog() override;

private:
    void OnCommand(int id);
    void SetAllChecks(bool checked);
    void OnOK();

    SettingsStore& Settings;
    MessageBoxService& Messages;
};
