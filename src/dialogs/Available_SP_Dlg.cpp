#include "dialogs/Available_SP_Dlg.h"

#include "resources/AvailablePortsTemplate.h"
#include "serial/PortAccess.h"

#include <QTableWidget>

using namespace idc317;

namespace {

const char* const InstructionsText =
    "The serial ports installed on this computer are shown in the list on the left.  "
    "If a port is installed, it does not mean that you can use the port to obtain data from the "
    "connected serial device.  "
    "For example, the port may be associated with an internal modem or a Bluetooth wireless "
    "device.\n"
    "\n"
    "The ports that are checked will be used by Tapline Brisk when it tries to find a supported "
    "serial device.";

// The port's index travels with its row, whatever order the rows show in.
constexpr int PortIndexRole = Qt::UserRole;

} // namespace

CAvailable_SP_Dlg::CAvailable_SP_Dlg(SettingsStore& settings, SerialPortDiscovery& discovery,
                                     MessageBoxService& messages, QWidget* parent)
    : TemplateDialog(AvailablePortsTemplate(), parent), Ports(settings, discovery, messages),
      Settings(settings), Messages(messages) {
    connect(&Form(), &TemplateForm::Command, this, &CAvailable_SP_Dlg::OnCommand);
}

void CAvailable_SP_Dlg::OnInitDialog() {
    TemplateDialog::OnInitDialog();
    Ports.ScanInstalledPorts();
    Ports.LoadPortChoice();

    auto* list = Form().ControlAs<QTableWidget>(PortList);
    list->clear();
    list->setColumnCount(2);
    list->setHorizontalHeaderLabels(
        {QStringLiteral("Port"), QStringLiteral("Registry Description")});
    list->setRowCount(0);
    for (int i = 0; i < CSP_Support::MaxPorts; ++i) {
        if (Ports.PortInstalled[i] != 1)
            continue;
        // What the system knows the device as: its product name when it tells one, the device,
        // and a word when this user may not use it.
        const std::string& device = Ports.PortDescription[i];
        std::string description = device;
        if (!Ports.PortProduct[i].empty())
            description = Ports.PortProduct[i] + " - " + device;
        if (!CPortAccess::MayOpen(device))
            description += NoPermissionMark;

        const int row = list->rowCount();
        list->insertRow(row);
        auto* port = new QTableWidgetItem(QStringLiteral("COM%1").arg(i + 1));
        port->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        port->setData(PortIndexRole, i);
        port->setCheckState(Ports.PortUsed[i] == 1 ? Qt::Checked : Qt::Unchecked);
        list->setItem(row, 0, port);
        auto* text = new QTableWidgetItem(QString::fromStdString(description));
        text->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        list->setItem(row, 1, text);
    }
    ListedPorts = list->rowCount();
    if (ListedPorts == 0)
        Form().Enable(Ok, false);
    // Each column as wide as the wider of its header and its contents.
    list->resizeColumnToContents(0);
    list->resizeColumnToContents(1);
    list->resizeRowsToContents();

    Form().SetText(idc317::Instructions, QString::fromUtf8(InstructionsText));
}

void CAvailable_SP_Dlg::OnCommand(int id) {
    switch (id) {
    case SelectAll:
        SetAllChecks(true);
        break;
    case ClearAll:
        SetAllChecks(false);
        break;
    case Ok:
        OnOK();
        break;
    default:
        break;
    }
}

void CAvailable_SP_Dlg::SetAllChecks(bool checked) {
    auto* list = Form().ControlAs<QTableWidget>(PortList);
    for (int row = 0; row < ListedPorts; ++row)
        list->item(row, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void CAvailable_SP_Dlg::OnOK() {
    const auto* list = Form().ControlAs<QTableWidget>(PortList);
    int used[CSP_Support::MaxPorts] = {};
    int count = 0;
    for (int row = 0; row < ListedPorts; ++row) {
        const QTableWidgetItem* port = list->item(row, 0);
        if (port->checkState() != Qt::Checked)
            continue;
        const int index = port->data(PortIndexRole).toInt();
        if (index >= 0 && index < CSP_Support::MaxPorts) {
            used[index] = 1;
            ++count;
        }
    }
    if (count == 0) {
        Messages.Show(SelectPortMessage, MsgStyle::OkBox());
        return;
    }
    std::string flags(CSP_Support::MaxPorts, '0');
    for (int i = 0; i < CSP_Support::MaxPorts; ++i) {
        Ports.PortUsed[i] = used[i];
        if (used[i] == 1)
            flags[i] = '1';
    }
    Settings.WriteProfileString(CSP_Support::Section, "UsePorts", flags);
    EndDialog(IDOK);
}
