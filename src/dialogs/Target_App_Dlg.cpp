#include "dialogs/Target_App_Dlg.h"

#include "resources/TargetAppTemplate.h"
#include "targets/Target_App.h"
#include "targets/TextString.h"

#include <QKeyEvent>
#include <QListWidget>

#include <cstring>

using namespace idc319;

CTarget_App_Dlg::CTarget_App_Dlg(SetupRecord& setup, WindowSystem& windows,
                                 MessageBoxService& messages, std::function<void(int)> help,
                                 QWidget* parent)
    : TemplateDialog(TargetAppTemplate(), parent), Setup(setup), Windows(windows),
      Messages(messages), Help(std::move(help)) {
    PreviousMode = Setup.TargetAppMode;
    std::memcpy(PreviousTitle, Setup.TargetAppTitle, sizeof PreviousTitle);
    PreviousTitle[sizeof PreviousTitle - 1] = '\0';
    connect(&Form(), &TemplateForm::Command, this, &CTarget_App_Dlg::OnCommand);
    connect(&Form(), &TemplateForm::DoubleClicked, this, [this](int id) {
        if (id == AppList)
            OnDblClkAppList();
    });
    connect(&Form(), &TemplateForm::KillFocus, this, [this](int id) {
        if (id == AppEdit)
            OnKillFocusAppEdit();
    });
    // Ahead of the dialog's own filter, which keeps Enter from closing the dialog.
    Form().Control(AppList)->installEventFilter(this);
}

// Space or Enter on a listed window chooses it, as a double-click does.
bool CTarget_App_Dlg::eventFilter(QObject* watched, QEvent* event) {
    auto* list = Form().ControlAs<QListWidget>(AppList);
    if (watched == list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
                key->key() == Qt::Key_Enter) {
                if (QListWidgetItem* current = list->currentItem())
                    current->setSelected(true);
                OnDblClkAppList();
                return true;
            }
        }
    }
    return TemplateDialog::eventFilter(watched, event);
}

void CTarget_App_Dlg::OnInitDialog() {
    TemplateDialog::OnInitDialog();
    // Native windows of a Wayland desktop that lists only its X11 clients cannot be chosen.
    if (!Windows.ListsEveryWindow())
        Form().SetText(Hint, QStringLiteral("Double-click to select application (only X11 "
                                            "windows can be listed on this desktop)"));
    FillAppList();
    const int mode = Setup.TargetAppMode;
    if (mode >= 0 && mode <= 2)
        Form().SetCheck(FocusRadio + mode, true);
    EnableAppGroup(mode == 1);
    Form().SetText(AppEdit,
                   QString::fromStdU16String(CTextString::FromField(Setup.TargetAppTitle)));
}

void CTarget_App_Dlg::FillAppList() {
    const std::u16string ownTitle = CTarget_App::LowerAZ(windowTitle().toStdU16String());
    Form().ResetContent(AppList);
    for (const WindowId window : Windows.TopLevelWindows()) {
        if (!Windows.IsVisible(window))
            continue;
        const std::u16string title = Windows.Title(window);
        const std::u16string lowered = CTarget_App::LowerAZ(title);
        // The program's own windows all have titles that begin with its name.
        if (title.empty() || lowered == ownTitle || lowered.starts_with(u"tapline"))
            continue;
        Form().AddString(AppList, QString::fromStdU16String(title));
    }
}

void CTarget_App_Dlg::EnableAppGroup(bool enable) {
    for (const int id : {AppList, Hint, EditLabel, AppEdit, ShowApp})
        Form().Enable(id, enable);
}

void CTarget_App_Dlg::OnCommand(int id) {
    switch (id) {
    case FocusRadio:
    case DisableRadio:
        EnableAppGroup(false);
        break;
    case SpecificRadio:
        EnableAppGroup(true);
        break;
    case ShowApp:
        OnShowApp();
        break;
    case idc319::Help:
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

void CTarget_App_Dlg::OnDblClkAppList() {
    const auto* list = Form().ControlAs<QListWidget>(AppList);
    const QList<QListWidgetItem*> selected = list->selectedItems();
    Form().SetText(AppEdit, selected.isEmpty() ? QString() : selected.front()->text());
}

void CTarget_App_Dlg::OnKillFocusAppEdit() {
    const QString text = Form().Text(AppEdit);
    const QString trimmed = text.trimmed();
    if (trimmed != text)
        Form().SetText(AppEdit, trimmed);
}

void CTarget_App_Dlg::OnShowApp() {
    const std::u16string text = Form().Text(AppEdit).toStdU16String();
    if (text.empty()) {
        Messages.Show(NoTargetMessage, MsgStyle::OkBox());
        return;
    }
    // The keystroke sender's rule, so that what shows here is where the keys will go: our own
    // windows, this dialog included, are passed over as the sender passes them over.
    const std::u16string lowered = CTarget_App::LowerAZ(text);
    for (const WindowId window : Windows.TopLevelWindows()) {
        if (!Windows.IsVisible(window) || Windows.IsOwnWindow(window))
            continue;
        const std::u16string title = Windows.Title(window);
        if (title.empty() || !CTarget_App::TitleContains(title, lowered))
            continue;
        if (Windows.IsMinimised(window))
            Windows.Restore(window);
        else
            Windows.Raise(window);
        // In front of the window just shown, without taking the keyboard from anyone.
        Windows.Raise(NativeId());
        return;
    }
    Messages.Show(NotFoundMessage, MsgStyle::OkBox());
}

void CTarget_App_Dlg::OnOK() {
    const QString trimmed = Form().Text(AppEdit).trimmed();
    Form().SetText(AppEdit, trimmed);
    int mode = -1;
    if (Form().IsChecked(FocusRadio))
        mode = 0;
    else if (Form().IsChecked(SpecificRadio))
        mode = 1;
    else if (Form().IsChecked(DisableRadio))
        mode = 2;
    if (mode < 0)
        return;
    // Checked before anything is stored: a refused OK followed by Cancel must leave the setup
    // as it was, title included.
    if (mode == 1 && trimmed.isEmpty()) {
        Messages.Show(SelectTargetMessage, MsgStyle::OkBox());
        return;
    }
    // The title is kept whatever the mode, for a later return to mode 1.
    CTextString::ToField(trimmed.toStdU16String(), Setup.TargetAppTitle);
    Setup.TargetAppMode = static_cast<std::uint8_t>(mode);
    EndDialog(IDOK);
}
