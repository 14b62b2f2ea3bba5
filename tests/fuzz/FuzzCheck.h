#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// An invariant of a fuzz target. A broken one aborts, so that libFuzzer keeps the input that
// broke it as a reproducer.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

// The bytes of a text whose characters are all below 256, for comparing with packet bytes.
inline std::string Bytes(const std::u16string& text) {
    std::string bytes;
    for (const char16_t c : text)
        bytes += static_cast<char>(c & 0xFF);
    return bytes;
}

// 2009-04-29 09:05:03 UTC: the clock every stamp is made with; the targets run in UTC.
constexpr long long FixedNow = 1240995903;

} // namespace fuzz
