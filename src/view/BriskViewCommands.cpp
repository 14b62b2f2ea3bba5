// The view's Setup, Targets, Test and toolbar commands and the states of their menu entries and
// buttons.
#include "dialogs/Available_SP_Dlg.h"
#include "dialogs/Parse_Setup_Brisk_Dlg.h"
#include "dialogs/PreferencesDlg.h"
#include "dialogs/Target_App_Dlg.h"
#include "gui/FileDialogs.h"
#include "gui/TemplateForm.h"
#include "platform/MessageBoxService.h"
#include "resources/CommandIds.h"
#include "resources/ControlIds.h"
#include "targets/TextString.h"
#include "view/BriskView.h"
#include "view/ViewFrame.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace {

constexpr int TargetPathLimit = 300; // bytes of TargetFilePath

bool AskYesNo(MessageBoxService& messages, const char16_t* question) {
    return messages.Show(question, MsgStyle::Question()) == MsgAnswer::Yes;
}

} // namespace

// Qt takes the patterns from the parentheses; on Linux "*.*" would hide names without a dot.
const QString CBriskView::TargetFileFilter =
    QStringLiteral("Comma separated (*.csv);;Text files (*.txt);;All files (*)");

void CBriskView::RegisterCommands() {
    Commands.OnCommand(cmd::SetupParsing, [this] { OnSetupParsing(); });
    Commands.OnCommand(cmd::SetupSerialPorts, [this] { OnSetupSerialPorts(); });
    Commands.OnCommand(cmd::SetupPreferences, [this] { OnSetupPreferences(); });
    Commands.OnCommand(cmd::TargetApplication, [this] { OnTargetApplication(); });
    Commands.OnCommand(cmd::TargetFile, [this] { OnTargetFile(); });
    Commands.OnCommand(cmd::DisableTargetFile, [this] { OnDisableTargetFile(); });
    Commands.OnCommand(cmd::ClearTargetFile, [this] { OnClearTargetFile(); });
    Commands.OnCommand(cmd::ClearFileCounters, [this] { OnClearFileCounters(); });
    Commands.OnCommand(cmd::CommTest, [this] { OnCommTest(); });
    Commands.OnCommand(cmd::AlwaysOnTop, [this] { OnAlwaysOnTop(); });
    Commands.OnCommand(cmd::ClearData, [this] { OnClearData(); });

    Commands.OnUpdate(cmd::AlwaysOnTop, [this](CommandUi& ui) { ui.checked = AlwaysOnTop != 0; });
    Commands.OnUpdate(cmd::DisableTargetFile,
                      [this](CommandUi& ui) { ui.checked = TargetFileEnabled != 1; });
    Commands.OnUpdate(cmd::TargetFile,
                      [this](CommandUi& ui) { ui.enabled = TargetFileEnabled == 1; });
    const auto fileCommands = [this](CommandUi& ui) {
        ui.enabled = TargetFileEnabled != 0 && TargetFileChosen();
    };
    Commands.OnUpdate(cmd::ClearTargetFile, fileCommands);
    Commands.OnUpdate(cmd::ClearFileCounters, fileCommands);
}

// The dialog writes the record itself when it closes with OK.
void CBriskView::OnSetupParsing() {
    const int helpBefore = MainFrame->GetHelpContext();
    MainFrame->SetHelpContext(CParse_Setup_Brisk_Dlg::HelpContext);
    CParse_Setup_Brisk_Dlg(
        *Setup, [this](int context) { MainFrame->ShowHelp(context); }, this)
        .DoModal();
    MainFrame->SetHelpContext(helpBefore);
}

// The dialog edits a copy of the whole record, which replaces the live one on OK; the program
// then moves between taskbar and tray at once.
void CBriskView::OnSetupPreferences() {
    const int helpBefore = MainFrame->GetHelpContext();
    MainFrame->SetHelpContext(CPreferencesDlg::HelpContext);
    CPreferencesDlg dialog(
        *Setup, [this](int context) { MainFrame->ShowHelp(context); }, this);
    if (dialog.DoModal() == TemplateDialog::IDOK) {
        *Setup = dialog.Setup;
        PostIconMode();
    }
    MainFrame->SetHelpContext(helpBefore);
}

void CBriskView::OnSetupSerialPorts() {
    const int helpBefore = MainFrame->GetHelpContext();
    MainFrame->SetHelpContext(CAvailable_SP_Dlg::HelpContext);
    CAvailable_SP_Dlg(Settings, Discovery, Messages, this).DoModal();
    MainFrame->SetHelpContext(helpBefore);
}

void CBriskView::OnTargetApplication() {
    const int helpBefore = MainFrame->GetHelpContext();
    MainFrame->SetHelpContext(CTarget_App_Dlg::HelpContext);
    CTarget_App_Dlg dialog(
        *Setup, Windows, Messages, [this](int context) { MainFrame->ShowHelp(context); }, this);
    if (dialog.DoModal() == TemplateDialog::IDOK) {
        // A new target while typing: stop, so that readings do not go where the operator no
        // longer expects them.
        const bool titleChanged =
            CTarget_App::LowerAZ(CTextString::FromField(Setup->TargetAppTitle)) !=
            CTarget_App::LowerAZ(CTextString::FromField(dialog.PreviousTitle));
        if (SendToApp == 1 && (Setup->TargetAppMode != dialog.PreviousMode || titleChanged))
            OnSendToApp();
        const bool enabled = Setup->TargetAppMode != 2;
        if (Setup->TargetAppMode == 0)
            Form->SetText(ctl::KbApp, QStringLiteral("Use application with current input focus"));
        else if (enabled)
            Form->SetText(ctl::KbApp,
                          QString::fromStdU16String(CTextString::FromField(Setup->TargetAppTitle)));
        else
            Form->SetText(ctl::KbApp, {});
        if (!enabled)
            SetLed(ctl::KeyboardLed, Led::DarkRed);
        else if (SendToApp == 0)
            SetLed(ctl::KeyboardLed, Led::Red);
        Form->Enable(ctl::SendToAppSwitch, enabled);
        Form->Enable(ctl::KbApp, enabled);
    }
    MainFrame->SetHelpContext(helpBefore);
}

void CBriskView::OnTargetFile() {
    const QString oldName =
        QString::fromStdU16String(CTextString::FromField(Setup->TargetFileName));
    const std::size_t pathLength = strnlen(Setup->TargetFilePath, sizeof Setup->TargetFilePath);
    const QString start =
        QFile::decodeName(QByteArray(Setup->TargetFilePath, static_cast<qsizetype>(pathLength)));

    // F1 while the file dialog is open shows the main topic, which tells about the target file.
    const int helpBefore = MainFrame->GetHelpContext();
    MainFrame->SetHelpContext(help::Main);
    const QString path = Dialogs.GetOpenOrCreateFileName(QStringLiteral("Target Disk File"), start,
                                                         TargetFileFilter, QStringLiteral("csv"));
    MainFrame->SetHelpContext(helpBefore);
    if (path.isEmpty())
        return;

    // The writer opens the record's path as the file system's bytes: a path cut to fit would
    // name another file, so a path that does not fit is refused.
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes.size() > TargetPathLimit) {
        Messages.Show(u"The full path of the target file may have at most 300 characters.\n\n" +
                      path.toStdU16String() + u"     ");
        return;
    }
    if (bytes.toStdString() != TargetFile.TargetPath())
        AskAboutWaitingLines();
    std::memset(Setup->TargetFilePath, 0, sizeof Setup->TargetFilePath);
    std::memcpy(Setup->TargetFilePath, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    CTextString::ToField(QFileInfo(path).fileName().toStdU16String(), Setup->TargetFileName);

    const QString newName =
        QString::fromStdU16String(CTextString::FromField(Setup->TargetFileName));
    if (newName.compare(oldName, Qt::CaseInsensitive) != 0)
        ResetFileCounters();
    Form->SetText(ctl::FileName, newName);
    Form->Enable(ctl::SendToFileSwitch, true);
    Form->Enable(ctl::FileWrites, true);
    Form->Enable(ctl::FileErrors, true);
    if (SendToFile == 0)
        SetLed(ctl::FileLed, Led::Red); // while sending, packets simply go to the new file
}

void CBriskView::OnDisableTargetFile() {
    if (TargetFileEnabled == 1) {
        AskAboutWaitingLines();
        TargetFileEnabled = 0;
        if (SendToFile == 1)
            OnSendToFile();
        for (int id : {ctl::SendToFileSwitch, ctl::FileName, ctl::FileWrites, ctl::FileErrors})
            Form->Enable(id, false);
        SetLed(ctl::FileLed, Led::DarkRed);
        return;
    }
    TargetFileEnabled = 1;
    if (TargetFileChosen()) {
        for (int id : {ctl::SendToFileSwitch, ctl::FileWrites, ctl::FileErrors})
            Form->Enable(id, true);
        SetLed(ctl::FileLed, Led::Red);
    }
    Form->Enable(ctl::FileName, true);
}

void CBriskView::OnClearTargetFile() {
    if (!AskYesNo(Messages, u"Are you sure you want to clear the target file?     "))
        return;
    AskAboutWaitingLines();
    // Only the choice is forgotten; the file keeps its lines.
    std::memset(Setup->TargetFilePath, 0, sizeof Setup->TargetFilePath);
    std::memset(Setup->TargetFileName, 0, sizeof Setup->TargetFileName);
    Form->SetText(ctl::FileName, {});
    ResetFileCounters();
    if (SendToFile == 1)
        OnSendToFile();
    Form->Enable(ctl::SendToFileSwitch, false);
    SetLed(ctl::FileLed, Led::DarkRed);
}

void CBriskView::OnClearFileCounters() {
    if (AskYesNo(Messages, u"Are you sure you want to clear the file counters?     "))
        ResetFileCounters();
}

void CBriskView::OnCommTest() {
    // The test program needs the port; the user enables it here again when done.
    if (SerialWanted())
        OnEnableSerialPort();
    TestProgram.LaunchTestProgram(Device.DevicePort, BaudRate, ParityLetter, DataBits, StopBits);
}

void CBriskView::OnAlwaysOnTop() {
    AlwaysOnTop = 1 - AlwaysOnTop;
    MainFrame->KeepOnTop(AlwaysOnTop == 1);
}

void CBriskView::OnClearData() {
    Packet.PacketCount = 0;
    SetText(ctl::InputPacket, {});
    SetText(ctl::OutputPacket, {});
    Capture.SetPacketLed(3);
}
