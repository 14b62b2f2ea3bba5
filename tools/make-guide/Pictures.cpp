#include "Pictures.h"

#include "dialogs/AboutDlg.h"
#include "dialogs/Available_SP_Dlg.h"
#include "dialogs/Parse_Setup_Brisk_Dlg.h"
#include "dialogs/PreferencesDlg.h"
#include "dialogs/Target_App_Dlg.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"
#include "fakes/FakeWindowSystem.h"
#include "gui/TemplateForm.h"
#include "resources/AvailablePortsTemplate.h"
#include "resources/ControlIds.h"
#include "resources/Icons.h"
#include "resources/MainViewTemplate.h"
#include "resources/MenuResources.h"
#include "targets/TextString.h"
#include "view/LED_Ctrl.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>

#include <algorithm>

namespace {

// The widget as it is drawn on the screen, in a thin grey frame that sets it off from the white
// of the page.
QImage Picture(QWidget& widget) {
    widget.show();
    QApplication::processEvents();
    QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setPen(QPen(QColor(150, 150, 150), 2));
    painter.drawRect(QRectF(image.rect()).adjusted(1, 1, -1, -1));
    return image;
}

// A dialog's whole face, also where the small offscreen screen would make the dialog scroll.
QImage Picture(TemplateDialog& dialog) {
    dialog.show();
    QApplication::processEvents();
    return Picture(dialog.Form());
}

// The main window as it looks with the port open, a reading just received, keyboard and file
// transfer on: menus, toolbar, the form and the status bar.
QImage MainWindow() {
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Tapline Brisk - Bench 4.tpln_brisk"));
    for (const MenuResource& menu : MainMenu())
        frame.menuBar()->addMenu(QString::fromUtf8(menu.title));
    QToolBar* toolbar = frame.addToolBar(QString());
    toolbar->setMovable(false);
    toolbar->setIconSize(QSize(28, 23));
    for (const int id : MainToolbar()) {
        if (id == 0)
            toolbar->addSeparator();
        else
            toolbar->addAction(ToolbarIcon(id), QString());
    }
    auto* form = new TemplateForm(MainViewTemplate());
    frame.setCentralWidget(form);
    auto* ready = new QLabel(QStringLiteral("Ready"));
    frame.statusBar()->addWidget(ready, 1);
    frame.statusBar()->setSizeGripEnabled(false);

    CLED_Ctrl leds;
    leds.PrepareLeds(form->palette().color(QPalette::Button));
    for (const auto& [id, led] : {std::pair{ctl::SerialLed, Led::Green},
                                  {ctl::KeyboardLed, Led::Green},
                                  {ctl::FileLed, Led::Green},
                                  {ctl::PacketLed, Led::Green}})
        form->SetImage(id, leds.Image(led));
    for (const int id : {ctl::SerialSwitch, ctl::SendToAppSwitch, ctl::SendToFileSwitch})
        form->SetCheck(id, true);
    form->SetText(ctl::InputPacket, QStringLiteral("12.345{CR}"));
    form->SetText(ctl::OutputPacket, QStringLiteral("12/9/2026,2:41:07 PM,12.345"));
    form->SetText(ctl::KbApp, QStringLiteral("Use application with current input focus"));
    form->SetText(ctl::FileName, QStringLiteral("/home/ana/Documents/readings.csv"));
    form->SetInt(ctl::FileWrites, 27);
    form->SetInt(ctl::FileErrors, 0);
    form->SetText(ctl::Device, QStringLiteral("Trailnote USB Dock on COM3"));
    form->SetInt(ctl::RxDBuffer, 0);
    frame.adjustSize();
    // As the program does: "Ready" starts where the form's labels do.
    const int column = form->mapTo(&frame, form->ToPixels(3, 0, 0, 0).topLeft()).x();
    ready->setContentsMargins(std::max(0, column - ready->mapTo(&frame, QPoint(0, 0)).x()), 0, 0,
                              0);
    return Picture(frame);
}

SetupRecord SampleSetup() {
    SetupRecords records;
    records.SetDefaults();
    records.Setup.StampType = 2;
    records.Setup.DateSeparator = 1;
    return records.Setup;
}

QImage ParsingDialog() {
    SetupRecord setup = SampleSetup();
    CParse_Setup_Brisk_Dlg dialog(setup, {});
    // A fixed moment, so that the guide does not change with every build.
    dialog.Now = [] { return std::int64_t{1796834467}; };
    dialog.OnInitDialog();
    return Picture(dialog);
}

QImage PreferencesDialog() {
    CPreferencesDlg dialog(SampleSetup(), {});
    dialog.OnInitDialog();
    return Picture(dialog);
}

QImage AboutDialog() {
    CAboutDlg dialog({});
    dialog.OnInitDialog();
    return Picture(dialog);
}

// A desktop with a few windows open, the spreadsheet chosen as the target by a piece of its
// title.
QImage TargetApplicationDialog() {
    FakeWindowSystem windows;
    windows.Add(1, u"Tapline Brisk - Bench 4.tpln_brisk").own = true;
    windows.Add(2, u"readings.ods - Spreadsheet");
    windows.Add(3, u"Quality record 2026 - Statistics");
    windows.Add(4, u"Documents - Files");
    windows.Add(5, u"Terminal");
    FakeMessageBox messages;
    SetupRecord setup = SampleSetup();
    setup.TargetAppMode = 1;
    CTextString::ToField(u"Spreadsheet", setup.TargetAppTitle);
    CTarget_App_Dlg dialog(setup, windows, messages, {});
    dialog.OnInitDialog();
    return Picture(dialog);
}

// A serial port of the motherboard and a receiver on a USB adapter, only the receiver's port
// checked. The dialog lists only character devices that exist, so the two ports are entered as
// devices every system has and shown under the names they have on a typical computer.
QImage AvailablePortsDialog() {
    struct SamplePort {
        int number;
        const char* standIn;
        const char* shownAs;
        const char* product;
    };
    const SamplePort ports[] = {{1, "/dev/null", "/dev/ttyS0", ""},
                                {3, "/dev/zero", "/dev/ttyUSB0", "Trailnote USB Dock"}};
    FakeSettingsStore settings;
    FakeSerialPortDiscovery discovery;
    std::string installed(CSP_Support::MaxPorts, '0');
    for (const SamplePort& port : ports) {
        settings.values["SerialDeviceMap"]["COM" + std::to_string(port.number)] = port.standIn;
        discovery.ports.push_back({port.standIn, {}, port.product});
        installed[port.number - 1] = '1';
    }
    std::string used(CSP_Support::MaxPorts, '0');
    used[3 - 1] = '1';
    settings.values[CSP_Support::Section]["InstalledPorts"] = installed;
    settings.values[CSP_Support::Section]["UsePorts"] = used;
    FakeMessageBox messages;
    CAvailable_SP_Dlg dialog(settings, discovery, messages);
    dialog.OnInitDialog();

    auto* list = dialog.Form().ControlAs<QTableWidget>(idc317::PortList);
    for (int row = 0; row < list->rowCount(); ++row) {
        QTableWidgetItem* description = list->item(row, 1);
        QString text = description->text();
        for (const SamplePort& port : ports)
            text.replace(QString::fromLatin1(port.standIn), QString::fromLatin1(port.shownAs));
        description->setText(text);
    }
    list->resizeColumnToContents(1);
    return Picture(dialog);
}

} // namespace

QMap<QString, QImage> WindowPictures() {
    return {
        {QStringLiteral("main-window.png"), MainWindow()},
        {QStringLiteral("parsing.png"), ParsingDialog()},
        {QStringLiteral("available-ports.png"), AvailablePortsDialog()},
        {QStringLiteral("preferences.png"), PreferencesDialog()},
        {QStringLiteral("target-application.png"), TargetApplicationDialog()},
        {QStringLiteral("about.png"), AboutDialog()},
    };
}
