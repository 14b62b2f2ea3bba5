#include "capture/Parse_Data_Pkt.h"

#include "capture/Date_Time.h"
#include "resources/ControlIds.h"
#include "targets/TextString.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

const char* const ControlNames[32] = {"NUL",  "SOH", "STX", "ETX",  "EOT", "ENQ", "ACK", "BEL",
                                      "BkSp", "Tab", "LF",  "VT",   "FF",  "CR",  "SO",  "SI",
                                      "DLE",  "XON", "DC2", "XOFF", "DC4", "NAK", "SYN", "ETB",
                                      "CAN",  "EM",  "EOF", "Esc",  "FS",  "GS",  "RS",  "US"};

// Printable ASCII as itself, everything else in braces.
std::u16string Display(const std::u16string& text, std::size_t count) {
    std::u16string shown;
    shown.reserve(count + 8);
    for (std::size_t i = 0; i < count && i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 32 && c <= 126)
            shown += c;
        else
            shown += CParse_Data_Pkt::BracketText(c);
    }
    return shown;
}

} // namespace

CParse_Data_Pkt::CParse_Data_Pkt()
    : Now([] { return static_cast<std::int64_t>(std::time(nullptr)); }) {}

std::u16string CParse_Data_Pkt::ControlName(unsigned c) {
    return c < 32 ? Ascii16(ControlNames[c]) : std::u16string();
}

std::u16string CParse_Data_Pkt::BracketText(unsigned c) {
    if (c < 32)
        return u"{" + ControlName(c) + u"}";
    char hex[16];
    std::snprintf(hex, sizeof hex, "%2x", c & 0xFFFFu);
    if (hex[0] == ' ')
        hex[0] = '0';
    return u"{" + Ascii16(hex) + u"}";
}

std::u16string CParse_Data_Pkt::TimeStamp(std::int64_t now) const {
    return CDate_Time().FormatTime(now, Setup->TimeFormat ? 3 : 2);
}

std::u16string CParse_Data_Pkt::DateTimeStamp(std::int64_t now) const {
    CDate_Time dateTime;
    dateTime.Separator = Setup->DateSeparator == 1 ? u'/' : u'-';
    // With no separator character the date and the time are joined directly; a zero character
    // would end the text early in every place that reads it as a string.
    std::u16string sep;
    if (Setup->CommaReplacement != 0)
        sep.assign(1, static_cast<char16_t>(Setup->CommaReplacement));
    return dateTime.FormatDate(now, Setup->DateOrder ? 3 : 2) + sep +
           dateTime.FormatTime(now, Setup->TimeFormat ? 3 : 2);
}

void CParse_Data_Pkt::FormatPacket() {
    std::u16string sep;
    if (Setup->CommaReplacement != 0)
        sep.assign(1, static_cast<char16_t>(Setup->CommaReplacement));

    const std::u16string packet = CTextString::ToWide(std::string(
        reinterpret_cast<const char*>(PacketBuffer), static_cast<std::size_t>(PacketCount)));
    if (Setup->StampType == 0) {
        OutputText = packet;
    } else {
        const std::int64_t now = Now();
        std::u16string stamp;
        if (Setup->StampType == 1)
            stamp = TimeStamp(now);
        else if (Setup->StampType == 2)
            stamp = DateTimeStamp(now);
        if (Setup->StampPosition == 0) {
            OutputText = stamp + sep + packet;
        } else {
            const std::u16string body =
                packet.empty() ? packet : packet.substr(0, packet.size() - 1);
            const std::u16string end = packet.empty() ? packet : packet.substr(packet.size() - 1);
            OutputText = body + sep + stamp + end;
        }
    }
    OutputLength = static_cast<int>(OutputText.size());

    if (Setup->CommasToTabs == 1)
        std::replace(OutputText.begin(), OutputText.end(), u',', u'\t');
    if (Setup->CommasToCRs == 1)
        std::replace(OutputText.begin(), OutputText.end(), u',', u'\r');
    if (Setup->CRsToTabs == 1)
        std::replace(OutputText.begin(), OutputText.end(), u'\r', u'\t');
}

void CParse_Data_Pkt::ShowInputPacket() {
    std::u16string bytes(PacketBuffer, PacketBuffer + std::clamp(PacketCount, 0, BufferSize));
    Fields->SetText(ctl::InputPacket, Display(bytes, bytes.size()));
}

void CParse_Data_Pkt::ShowOutputPacket() {
    Fields->SetText(ctl::OutputPacket,
                    Display(OutputText, static_cast<std::size_t>(std::max(OutputLength, 0))));
}

void CParse_Data_Pkt::ProcessPacket() {
    ShowInputPacket();
    FormatPacket();
    ShowOutputPacket();
    if (Owner->SendToApp == 1)
        Owner->AppTarget().SendPacket(OutputText);
    if (Owner->SendToFile == 1) {
        Owner->DiskTarget().WritePacket(OutputText);
        Owner->ShowFileCounters();
    }
}
