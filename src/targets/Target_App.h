#pragma once

#include "capture/PacketTargets.h"
#include "platform/KeyboardInjector.h"
#include "platform/WindowSystem.h"
#include "setup/SetupRecord.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Types each formatted packet into the target application as one batch of key events: into the
// window that has the keyboard (TargetAppMode 0) or into the topmost window whose title contains
// TargetAppTitle (mode 1); never into one of the program's own windows, and never in any other
// mode (2: keyboard transfer disabled). A missing target only beeps. By default the packet's
// characters are typed as the active keyboard layout produces them; Typing = ScanCodes sends the
// US-layout scan codes of KeyCodes, ScanCodes and KeyFlags instead.
class CTarget_App : public KeystrokeTarget {
public:
    CTarget_App(KeyboardInjector& keyboard, WindowSystem& windows);

    SetupRecord* Setup = nullptr; // TargetAppMode and TargetAppTitle are read for every packet
    std::u16string PacketText;    // the packet being typed
    // The key events of the last packet, in parallel: virtual-key code (always 0), scan code,
    // flags (8 press, 10 release). Kept from packet to packet so their storage is reused.
    std::vector<std::uint16_t> KeyCodes, ScanCodes;
    std::vector<std::uint32_t> KeyFlags;
    KeyboardTyping Typing = KeyboardTyping::Layout;
    // The characters of the last packet that layout typing typed (keyless ones left out).
    std::u32string Characters;
    // Packets the desktop would not let us type, since the program started; each is still in
    // the output field and the target file. NotTyped (when set) hears of every one, with the
    // desktop's reason.
    int NotTypedCount = 0;
    std::function<void(const std::u16string& reason)> NotTyped;

    void SendPacket(const std::u16string& text) override;
    // Builds the key events of PacketText and injects them in one call.
    void TypeText();

    // The title rule shared with the target application dialog: the title contains the text,
    // ignoring the case of A-Z only. loweredText must already have its A-Z lowered.
    static bool TitleContains(std::u16string title, const std::u16string& loweredText);
    // Lowers A-Z; every other character keeps its case.
    static std::u16string LowerAZ(std::u16string text);

    // The stored KeyboardTyping setting: "ScanCodes" (any case) or else the layout.
    static KeyboardTyping TypingFromSetting(const std::string& value);

    // How long an activated target may take to get the keyboard before typing goes ahead.
    static constexpr int ActivationWaitMs = 100;

private:
    void TypeIntoForeground();
    void TypeIntoTitledWindow(const std::u16string& loweredTitle);
    void AddEvent(std::uint16_t scanCode, std::uint32_t flags);
    void BuildScanCodes();
    void BuildCharacters();

    KeyboardInjector& keyboard_;
    WindowSystem& windows_;
};
