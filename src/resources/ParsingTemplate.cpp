#include "resources/ParsingTemplate.h"

const DialogTemplate& ParsingTemplate() {
    using K = ControlKind;
    using namespace idc321;
    static const DialogTemplate layout{
        321,
        "Parsing",
        347,
        272,
        {
            {0, K::GroupBox, "Instructions: ", 8, 4, 328, 56},
            {Instructions, K::Text, "Instructions in program.", 16, 16, 316, 41},
            {0, K::GroupBox, "Parsing: ", 8, 72, 328, 172},
            {0, K::Label, "End-of-packet character:", 16, 84, 88, 8},
            {EopCR, K::RadioButton, "Carriage &return (factory default)", 28, 96, 121, 10,
             StyleGroup},
            {EopTab, K::RadioButton, "T&ab", 28, 108, 29, 10},
            {EopEither, K::RadioButton, "Carriage return or ta&b", 28, 120, 88, 10},
            {0, K::Label, "Prefix && suffix for output packet:", 16, 140, 84, 8},
            {Prefix, K::RadioButton, "&Prefix", 28, 152, 34, 10, StyleGroup},
            {Suffix, K::RadioButton, "&Suffix", 28, 164, 34, 10},
            {0, K::EtchedLine, "", 72, 152, 1, 36},
            {StampNone, K::RadioButton, "&None", 88, 152, 33, 10, StyleGroup},
            {StampTime, K::RadioButton, "Ti&me", 88, 164, 33, 10},
            {StampDateTime, K::RadioButton, "Date && &Time", 88, 176, 57, 10},
            {TimePreview, K::Label, "12:37:04 AM{tab}", 152, 164, 180, 8},
            {DateTimePreview, K::Label, "4-29-09{tab}12:37:04 AM{tab}Measurement", 152, 177, 180,
             8},
            {CommasToTabs, K::CheckBox, "Chan&ge all commas to tabs", 16, 196, 105, 10},
            {CommasToCRs, K::CheckBox, "Change all commas to carr&iage returns", 16, 212, 143, 10},
            {CRsToTabs, K::CheckBox, "Change a&ll carriage returns to tabs", 16, 228, 130, 10},
            {Help, K::PushButton, "&Help", 168, 252, 48, 14},
            {Ok, K::PushButton, "&OK", 228, 252, 48, 14},
            {Cancel, K::PushButton, "&Cancel", 288, 252, 48, 14},
        }};
    return layout;
}
