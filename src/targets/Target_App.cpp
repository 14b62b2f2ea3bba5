#include "targets/Target_App.h"

#include "targets/KeyTable.h"
#include "targets/TextString.h"

#include <algorithm>
#include <cctype>

CTarget_App::CTarget_App(KeyboardInjector& keyboard, WindowSystem& windows)
    : keyboard_(keyboard), windows_(windows) {}

KeyboardTyping CTarget_App::TypingFromSetting(const std::string& value) {
    std::string lowered = value;
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered == "scancodes" ? KeyboardTyping::ScanCodes : KeyboardTyping::Layout;
}

std::u16string CTarget_App::LowerAZ(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return text;
}

bool CTarget_App::TitleContains(std::u16string title, const std::u16string& loweredText) {
    return LowerAZ(std::move(title)).find(loweredText) != std::u16string::npos;
}

void CTarget_App::SendPacket(const std::u16string& text) {
    PacketText = text;
    // Without a way to type, every packet is a packet without a target.
    if (Setup == nullptr || !keyboard_.Available()) {
        windows_.Beep();
        return;
    }
    switch (Setup->TargetAppMode) {
    case 0:
        TypeIntoForeground();
        return;
    case 1:
        TypeIntoTitledWindow(LowerAZ(CTextString::FromField(Setup->TargetAppTitle)));
        return;
    default:
        // 2: the operator disabled keyboard transfer, whatever title the setup still keeps. Any
        // other value comes from a damaged setup and names no target either.
        windows_.Beep();
        return;
    }
}

void CTarget_App::TypeIntoForeground() {
    keyboard_.PrepareTyping();
    WindowSystem::Presence presence;
    const WindowId target = windows_.ForegroundPresence(presence);
    // A desktop whose window list misses its native windows names no window when one of those
    // has the keyboard; our own windows are always in the list, so the keys go to the window
    // the operator works in.
    if (target == 0 && !windows_.ListsEveryWindow()) {
        TypeText();
        return;
    }
    // Readings typed into our own window would be lost, and a hidden window cannot take them.
    if (target == 0 || windows_.IsOwnWindow(target) || !presence.exists || !presence.visible ||
        presence.minimised) {
        windows_.Beep();
        return;
    }
    TypeText();
}

void CTarget_App::TypeIntoTitledWindow(const std::u16string& loweredTitle) {
    // An empty text would match whatever titled window is on top (a terminal, say), and typing
    // readings and carriage returns into an arbitrary window is unsafe: treat it as no target.
    if (loweredTitle.empty()) {
        windows_.Beep();
        return;
    }
    for (const WindowId window : windows_.TopLevelWindows()) {
        // A window closed since the list was taken is passed over, not the end of the search.
        // So are our own windows: their titles may contain the text too ("Tapline Brisk -
        // readings" above "readings.csv"), and readings typed there would be lost.
        if (!windows_.IsWindow(window) || !windows_.IsVisible(window) ||
            windows_.IsOwnWindow(window))
            continue;
        const std::u16string title = windows_.Title(window);
        if (title.empty() || !TitleContains(title, loweredTitle))
            continue;
        if (windows_.IsMinimised(window))
            windows_.Restore(window);
        windows_.Activate(window);
        // Keys sent before the target has the keyboard would land in the window that had it.
        windows_.WaitForKeyboard(window, ActivationWaitMs);
        TypeText();
        return;
    }
    windows_.Beep();
}

void CTarget_App::AddEvent(std::uint16_t scanCode, std::uint32_t flags) {
    KeyCodes.push_back(0);
    ScanCodes.push_back(scanCode);
    KeyFlags.push_back(flags);
}

void CTarget_App::TypeText() {
    KeyCodes.clear();
    ScanCodes.clear();
    KeyFlags.clear();
    Characters.clear();
    KeyCodes.reserve(30);
    ScanCodes.reserve(30);
    KeyFlags.reserve(30);
    if (PacketText.empty())
        return;
    // One call, so that the packet reaches the input stream in one piece, even when empty.
    if (Typing == KeyboardTyping::ScanCodes) {
        BuildScanCodes();
        keyboard_.Inject(KeyCodes.data(), ScanCodes.data(), KeyFlags.data(), KeyCodes.size());
        return;
    }
    BuildCharacters();
    if (!keyboard_.TypeCharacters(Characters)) {
        windows_.Beep();
        ++NotTypedCount;
        if (NotTyped)
            NotTyped(keyboard_.LastFailure());
    }
}

void CTarget_App::BuildScanCodes() {
    std::uint16_t previous = 0;
    for (const char16_t c : PacketText) {
        const std::optional<KeyStroke> key = CKeyTable::Lookup(c);
        if (!key) {
            previous = 0; // so equal keys around a dropped character are not released between
            continue;
        }
        // A key still down from the previous character must come up before it can type again.
        if (key->ScanCode == previous)
            AddEvent(key->ScanCode, KeyReleaseFlags);
        if (key->Shift)
            AddEvent(CKeyTable::LeftShift, KeyPressFlags);
        AddEvent(key->ScanCode, KeyPressFlags);
        if (key->Shift)
            AddEvent(CKeyTable::LeftShift, KeyReleaseFlags);
        previous = key->ScanCode;
    }
}

void CTarget_App::BuildCharacters() {
    for (std::size_t i = 0; i < PacketText.size(); ++i) {
        char32_t c = PacketText[i];
        // A surrogate pair is one character; a lone half is none.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < PacketText.size() &&
            PacketText[i + 1] >= 0xDC00 && PacketText[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (PacketText[i + 1] - 0xDC00);
            ++i;
        }
        if (CKeyTable::TypedByLayout(c))
            Characters.push_back(c);
    }
}
