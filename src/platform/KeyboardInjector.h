#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How readings are typed: as the characters the operator's active keyboard layout produces
// (the default), or as raw US-layout scan codes for targets that want key positions (some
// remote-desktop clients). Stored per user as KeyboardTyping=Layout|ScanCodes in [Settings].
enum class KeyboardTyping { Layout, ScanCodes };

// Puts keyboard events into the desktop's input stream. One call carries the whole batch of one
// packet, so the operator's own typing cannot come between its keys.
class KeyboardInjector {
public:
    virtual ~KeyboardInjector() = default;
    // False where keystrokes cannot be injected at all (no X display, no XTEST).
    virtual bool Available() const = 0;
    // Scan-code typing: event i is keyCodes[i] (virtual-key code, 0 when the key is named by its
    // scan code), scanCodes[i] (US-layout scan code set 1 make code) and flags[i] (8 press,
    // 10 release).
    virtual void Inject(const std::uint16_t* keyCodes, const std::uint16_t* scanCodes,
                        const std::uint32_t* flags, std::size_t count) = 0;
    // Layout typing: makes the focused window receive exactly these characters, whatever the
    // active layout, Caps Lock or the modifiers the operator holds. False when the batch could
    // not be typed at all (nothing was typed then).
    virtual bool TypeCharacters(const std::u32string& text) = 0;
    // A batch is about to be typed: the injector may ask the desktop now for what it will need,
    // so that the answer comes while the caller looks at the windows. Typing must follow at once
    // (an answer left waiting long is asked for anew).
    virtual void PrepareTyping() {}
    // Readies typing when the operator switches it on. A desktop that asks the operator whether
    // this program may type asks now, once for the program's run. Empty when typing can go
    // ahead, else the text to show the operator (typing stays off then).
    virtual std::u16string BeginTyping() { return {}; }
    // Why the last TypeCharacters typed nothing, for the operator; empty after one that typed.
    virtual std::u16string LastFailure() const { return {}; }
};

// The flag bits of one key event.
inline constexpr std::uint32_t KeyEventScanCode = 0x8;
inline constexpr std::uint32_t KeyEventKeyUp = 0x2;
inline constexpr std::uint32_t KeyPressFlags = KeyEventScanCode;                   // 8
inline constexpr std::uint32_t KeyReleaseFlags = KeyEventScanCode | KeyEventKeyUp; // 10
