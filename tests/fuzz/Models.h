#pragma once

#include "setup/SetupRecord.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// What a packet should become by the formatting rules, written out plainly and apart from the
// program's formatter, for the clock time now (UTC).
namespace fuzz {

inline std::string StampOf(const SetupRecord& s, std::int64_t now) {
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm f{};
    gmtime_r(&t, &f);
    const auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
    std::string time;
    if (s.TimeFormat != 0) {
        time = std::to_string(f.tm_hour);
    } else {
        const int hour = f.tm_hour > 12 ? f.tm_hour - 12 : f.tm_hour;
        time = std::to_string(hour);
    }
    time += ":" + two(f.tm_min) + ":" + two(f.tm_sec);
    if (s.TimeFormat == 0)
        time += f.tm_hour < 12 ? " AM" : " PM";
    if (s.StampType == 1)
        return time;
    if (s.StampType != 2)
        return {};
    const std::string dash(1, s.DateSeparator == 1 ? '/' : '-');
    const std::string day = std::to_string(f.tm_mday), month = std::to_string(f.tm_mon + 1);
    std::string date = s.DateOrder != 0 ? day + dash + month : month + dash + day;
    date += dash + std::to_string(f.tm_year + 1900);
    return date + (s.CommaReplacement != 0 ? std::string(1, char(s.CommaReplacement)) : "") + time;
}

// The output bytes of one complete packet (its last byte ends it).
inline std::string OutputOf(const SetupRecord& s, const std::string& packet, std::int64_t now) {
    const std::string sep = s.CommaReplacement != 0 ? std::string(1, char(s.CommaReplacement)) : "";
    std::string out;
    if (s.StampType == 0)
        out = packet;
    else if (s.StampPosition == 0)
        out = StampOf(s, now) + sep + packet;
    else if (packet.empty())
        out = sep + StampOf(s, now);
    else
        out = packet.substr(0, packet.size() - 1) + sep + StampOf(s, now) + packet.back();
    if (s.CommasToTabs == 1)
        std::replace(out.begin(), out.end(), ',', '\t');
    if (s.CommasToCRs == 1)
        std::replace(out.begin(), out.end(), ',', '\r');
    if (s.CRsToTabs == 1)
        std::replace(out.begin(), out.end(), '\r', '\t');
    return out;
}

// The packets that bytes from the line make, by the framing rules: zero bytes are dropped, the
// end-of-packet character ends a packet and stays its last byte, 500 bytes without one are
// dropped. pending is what waits for its end.
struct Framed {
    std::vector<std::string> packets;
    std::string pending;
    int dropped = 0; // packets dropped for their length
};

inline bool EndsPacket(int endOfPacket, unsigned char b) {
    return (b == '\r' && (endOfPacket == 0 || endOfPacket == 2)) ||
           (b == '\t' && (endOfPacket == 1 || endOfPacket == 2));
}

inline void Frame(Framed& framed, int endOfPacket, const std::string& bytes) {
    for (const char c : bytes) {
        if (c == 0)
            continue;
        framed.pending += c;
        if (EndsPacket(endOfPacket, static_cast<unsigned char>(c))) {
            framed.packets.push_back(framed.pending);
            framed.pending.clear();
        } else if (framed.pending.size() == 500) {
            framed.pending.clear();
            ++framed.dropped;
        }
    }
}

} // namespace fuzz
