#pragma once

#include <cstddef>
#include <cstdint>

// Puts keyboard events into the desktop's input stream. One call carries the whole batch of one
// packet: event i is keyCodes[i] (virtual-key code, 0 when the key is named by its scan code),
// scanCodes[i] (US-layout scan code set 1 make code) and flags[i] (8 press, 10 release).
class KeyboardInjector {
public:
    virtual ~KeyboardInjector() = default;
    // False where keystrokes cannot be injected at all (no X display, no XTEST).
    virtual bool Available() const = 0;
    virtual void Inject(const std::uint16_t* keyCodes, const std::uint16_t* scanCodes,
                        const std::uint32_t* flags, std::size_t count) = 0;
};

// The flag bits of one key event.
inline constexpr std::uint32_t KeyEventScanCode = 0x8;
inline constexpr std::uint32_t KeyEventKeyUp = 0x2;
inline constexpr std::uint32_t KeyPressFlags = KeyEventScanCode;                   // 8
inline constexpr std::uint32_t KeyReleaseFlags = KeyEventScanCode | KeyEventKeyUp; // 10
