#pragma once

#include "gui/TemplateDialog.h"
#include "setup/SetupRecord.h"

#include <cstdint>
#include <functional>
#include <string>

// "Parsing": the end-of-packet character, the time or date-and-time stamp and its side, and the
// comma and carriage-return conversions. Works on copies of those seven fields of the record and
// writes them back only when it closes with OK. Two preview lines show a sample reading with
// the stamp as the packet formatter would build it now.
class CParse_Setup_Brisk_Dlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = 109;
    static constexpr const char16_t* SampleReading = u"Measurement";

    // help opens the program's help at a context number.
    CParse_Setup_Brisk_Dlg(SetupRecord& setup, std::function<void(int context)> help,
                           QWidget* parent = nullptr);

    // The current time as seconds since 1970, read once per preview; replaced by tests.
    std::function<std::int64_t()> Now;

    void OnInitDialog() override;
    // Enables the preview line of the chosen stamp and writes both from one reading of the clock.
    void UpdatePreview();

private:
    void OnCommand(int id);
    void OnCommasToTabs();
    void OnCommasToCRs();
    void OnOK();

    SetupRecord& Setup;
    std::function<void(int)> Help;

    std::u16string SeparatorText;
    std::uint8_t EndOfPacket = 0;
    std::uint8_t StampType = 0;
    std::uint8_t CommasToTabs = 0;
    std::uint8_t CommasToCRs = 0;
    std::uint8_t CRsToTabs = 0;
    std::uint8_t CommaReplacement = ',';
    std::uint8_t StampPosition = 0;
};
