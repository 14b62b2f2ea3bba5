#include "dialogs/Parse_Setup_Brisk_Dlg.h"

#include "capture/Date_Time.h"
#include "resources/ParsingTemplate.h"

#include <ctime>

using namespace idc321;

namespace {

std::u16string SeparatorFor(std::uint8_t replacement) {
    if (replacement == '\t')
        return u"{Tab}";
    if (replacement == '\r')
        return u"{CR}";
    return u",";
}

} // namespace

CParse_Setup_Brisk_Dlg::CParse_Setup_Brisk_Dlg(SetupRecord& setup, std::function<void(int)> help,
                                               QWidget* parent)
    : TemplateDialog(ParsingTemplate(), parent),
      Now([] { return static_cast<std::int64_t>(std::time(nullptr)); }), Setup(setup),
      Help(std::move(help)) {
    connect(&Form(), &TemplateForm::Command, this, &CParse_Setup_Brisk_Dlg::OnCommand);
}

void CParse_Setup_Brisk_Dlg::OnInitDialog() {
    // This dialog keeps the placement the window system gives it (over the main window), so
    // the base's own placement is left out.
    Form().SetText(Instructions,
                   QStringLiteral("Tapline Brisk can only be used with specific devices "
                                  "manufactured by Orvane Systems.  The communication parameters "
                                  "for the device must be set to the factory defaults of "
                                  "9600-N-8-1.\n\nRefer to Help for additional information on "
                                  "setting up Tapline Brisk."));
    EndOfPacket = Setup.EndOfPacket;
    StampType = Setup.StampType;
    CommasToTabs = Setup.CommasToTabs;
    CommasToCRs = Setup.CommasToCRs;
    CRsToTabs = Setup.CRsToTabs;
    CommaReplacement = Setup.CommaReplacement;
    StampPosition = Setup.StampPosition;
    // A value outside a group checks none of its buttons; the field is then stored unchanged.
    Form().SetCheck(EopCR + EndOfPacket, true);
    Form().SetCheck(StampNone + StampType, true);
    Form().SetCheck(Prefix + StampPosition, true);
    Form().SetCheck(idc321::CommasToTabs, CommasToTabs == 1);
    Form().SetCheck(idc321::CommasToCRs, CommasToCRs == 1);
    Form().SetCheck(idc321::CRsToTabs, CRsToTabs == 1);
    SeparatorText = SeparatorFor(CommaReplacement);
    UpdatePreview();
}

void CParse_Setup_Brisk_Dlg::UpdatePreview() {
    Form().Enable(TimePreview, StampType == 1);
    Form().Enable(DateTimePreview, StampType == 2);
    const std::int64_t now = Now();
    CDate_Time dateTime;
    dateTime.Separator = Setup.DateSeparator == 1 ? u'/' : u'-';
    const std::u16string t = dateTime.FormatTime(now, Setup.TimeFormat != 0 ? 3 : 2);
    const std::u16string d = dateTime.FormatDate(now, Setup.DateOrder != 0 ? 3 : 2);
    const std::u16string& s = SeparatorText;
    const std::u16string m = SampleReading;
    const bool suffix = StampPosition == 1;
    const std::u16string timeLine = suffix ? m + s + t : t + s + m;
    const std::u16string dateLine = suffix ? m + s + d + s + t : d + s + t + s + m;
    Form().SetText(TimePreview, QString::fromStdU16String(timeLine));
    Form().SetText(DateTimePreview, QString::fromStdU16String(dateLine));
}

void CParse_Setup_Brisk_Dlg::OnCommand(int id) {
    switch (id) {
    case EopCR:
    case EopTab:
    case EopEither:
        EndOfPacket = static_cast<std::uint8_t>(id - EopCR);
        break;
    case StampNone:
    case StampTime:
    case StampDateTime:
        StampType = static_cast<std::uint8_t>(id - StampNone);
        UpdatePreview();
        break;
    case Prefix:
    case Suffix:
        StampPosition = static_cast<std::uint8_t>(id - Prefix);
        UpdatePreview();
        break;
    case idc321::CommasToTabs:
        OnCommasToTabs();
        break;
    case idc321::CommasToCRs:
        OnCommasToCRs();
        break;
    case idc321::CRsToTabs:
        CRsToTabs = Form().IsChecked(idc321::CRsToTabs) ? 1 : 0;
        break;
    case idc321::Help:
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

// The two comma boxes are a pair: at most one is checked, and the replacement follows it.
void CParse_Setup_Brisk_Dlg::OnCommasToTabs() {
    if (Form().IsChecked(idc321::CommasToTabs)) {
        CommasToTabs = 1;
        CommaReplacement = '\t';
        CommasToCRs = 0;
        Form().SetCheck(idc321::CommasToCRs, false);
        SeparatorText = u"{Tab}";
    } else {
        CommasToTabs = 0;
        CommaReplacement = ',';
        SeparatorText = u",";
    }
    UpdatePreview();
}

void CParse_Setup_Brisk_Dlg::OnCommasToCRs() {
    if (Form().IsChecked(idc321::CommasToCRs)) {
        CommasToCRs = 1;
        CommaReplacement = '\r';
        CommasToTabs = 0;
        Form().SetCheck(idc321::CommasToTabs, false);
        SeparatorText = u"{CR}";
    } else {
        CommasToCRs = 0;
        CommaReplacement = ',';
        SeparatorText = u",";
    }
    UpdatePreview();
}

void CParse_Setup_Brisk_Dlg::OnOK() {
    Setup.EndOfPacket = EndOfPacket;
    Setup.StampType = StampType;
    Setup.CommasToTabs = CommasToTabs;
    Setup.CRsToTabs = CRsToTabs;
    Setup.CommasToCRs = CommasToCRs;
    Setup.CommaReplacement = CommaReplacement;
    Setup.StampPosition = StampPosition;
    EndDialog(IDOK);
}
