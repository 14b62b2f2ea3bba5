#include "platform/win32/SendInputKeyboardInjector.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Pressed and released next to a modifier's own press or release so that Windows does not see
// a lone Alt or Windows key, which opens the target's menu bar or the Start menu: a
// virtual-key code that Windows leaves unassigned.
constexpr WORD MaskKey = 0xE8;

constexpr WORD HeldModifiers[] = {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL,
                                  VK_LMENU,  VK_RMENU,  VK_LWIN,     VK_RWIN};

bool IsExtended(WORD vk) {
    return vk == VK_RCONTROL || vk == VK_RMENU || vk == VK_LWIN || vk == VK_RWIN;
}

// The bits of VkKeyScanExW's high byte.
constexpr unsigned ShiftBit = 1, ControlBit = 2, AltBit = 4;

// Whether the key, with these modifiers and the Caps Lock state, gives exactly the character
// in this layout. A dead key (which would combine with the next character) does not count.
bool KeyGives(char32_t c, UINT vk, unsigned mods, bool capsLock, HKL layout) {
    BYTE state[256] = {};
    if ((mods & ShiftBit) != 0)
        state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    if ((mods & ControlBit) != 0)
        state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    if ((mods & AltBit) != 0)
        state[VK_MENU] = state[VK_LMENU] = 0x80;
    if (capsLock)
        state[VK_CAPITAL] = 0x01;
    const UINT scan = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout);
    wchar_t out[8] = {};
    // Flag 4: leave this thread's keyboard state (its pending dead key) as it is.
    const int count = ToUnicodeEx(vk, scan, state, out, 8, 4, layout);
    if (count < 0) {
        // Windows before 10 1607 ignores the flag and keeps the dead key pending; the same key
        // once more takes it back out.
        ToUnicodeEx(vk, scan, state, out, 8, 4, layout);
        return false;
    }
    return count == 1 && static_cast<char32_t>(out[0]) == c;
}

} // namespace

class SendInputKeyboardInjector::Batch {
public:
    void Clear() {
        inputs_.clear();
        lifted_.clear();
    }

    void AddKey(WORD vk, WORD scan, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = scan;
        input.ki.dwFlags = flags;
        inputs_.push_back(input);
    }

    void AddVirtualKey(WORD vk, bool up, HKL layout) {
        const auto scan = static_cast<WORD>(MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout));
        AddKey(vk, scan, (up ? KEYEVENTF_KEYUP : 0) | (IsExtended(vk) ? KEYEVENTF_EXTENDEDKEY : 0));
    }

    void AddStroke(WORD vk, HKL layout) {
        AddVirtualKey(vk, false, layout);
        AddVirtualKey(vk, true, layout);
    }

    void AddUnicode(char32_t c) {
        // Characters beyond the first 65536 go as their two UTF-16 halves, as a keyboard with
        // such a character sends them.
        std::u16string units;
        if (c > 0xFFFF) {
            units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(c);
        }
        for (const char16_t unit : units) {
            AddKey(0, unit, KEYEVENTF_UNICODE);
            AddKey(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
        }
    }

    void AddCharacter(char32_t c, HKL layout, bool capsLock) {
        switch (c) {
        case U'\r':
            return AddStroke(VK_RETURN, layout);
        case U'\t':
            return AddStroke(VK_TAB, layout);
        case U'\b':
            return AddStroke(VK_BACK, layout);
        case U'\x1b':
            return AddStroke(VK_ESCAPE, layout);
        default:
            break;
        }
        const SHORT scanned = c <= 0xFFFF ? VkKeyScanExW(static_cast<wchar_t>(c), layout) : -1;
        if (scanned != -1) {
            const auto vk = static_cast<WORD>(scanned & 0xFF);
            unsigned mods = (static_cast<unsigned>(scanned) >> 8) & 0xFF;
            // Alt without Control makes system keys (menu shortcuts), and the higher bits are
            // layout-specific shift states that no key here presses.
            const bool plainMods = (mods & ~(ShiftBit | ControlBit | AltBit)) == 0 &&
                                   (mods & (ControlBit | AltBit)) != AltBit;
            // VkKeyScanExW ignores Caps Lock: where it turns the letter's case, the other Shift
            // state gives the character.
            bool found = plainMods && KeyGives(c, vk, mods, capsLock, layout);
            if (!found && plainMods && capsLock && KeyGives(c, vk, mods ^ ShiftBit, true, layout)) {
                mods ^= ShiftBit;
                found = true;
            }
            if (found) {
                if ((mods & ControlBit) != 0)
                    AddVirtualKey(VK_LCONTROL, false, layout);
                if ((mods & AltBit) != 0)
                    AddVirtualKey(VK_LMENU, false, layout);
                if ((mods & ShiftBit) != 0)
                    AddVirtualKey(VK_LSHIFT, false, layout);
                AddStroke(vk, layout);
                if ((mods & ShiftBit) != 0)
                    AddVirtualKey(VK_LSHIFT, true, layout);
                if ((mods & AltBit) != 0)
                    AddVirtualKey(VK_LMENU, true, layout);
                if ((mods & ControlBit) != 0)
                    AddVirtualKey(VK_LCONTROL, true, layout);
                return;
            }
        }
        AddUnicode(c);
    }

    // Releases the modifier keys held now; PressLiftedModifiers puts them back. Injected
    // releases change Windows' key state, so the operator's keys count as up for the batch.
    void LiftHeldModifiers(HKL layout) {
        for (const WORD vk : HeldModifiers) {
            if ((GetAsyncKeyState(vk) & 0x8000) != 0)
                lifted_.push_back(vk);
        }
        if (HoldsMenuKey())
            AddStroke(MaskKey, layout);
        for (const WORD vk : lifted_)
            AddVirtualKey(vk, true, layout);
    }

    void PressLiftedModifiers(HKL layout) {
        for (const WORD vk : lifted_)
            AddVirtualKey(vk, false, layout);
        // The operator's own release of Alt or the Windows key comes next: after another key
        // it opens no menu.
        if (HoldsMenuKey())
            AddStroke(MaskKey, layout);
    }

    // Releases the keys that the events so far leave down.
    void ReleaseKeysLeftDown() {
        std::vector<INPUT> down;
        const auto sameKey = [](const INPUT& a, const INPUT& b) {
            constexpr DWORD identity =
                KEYEVENTF_SCANCODE | KEYEVENTF_EXTENDEDKEY | KEYEVENTF_UNICODE;
            if ((a.ki.dwFlags & identity) != (b.ki.dwFlags & identity))
                return false;
            return (a.ki.dwFlags & (KEYEVENTF_SCANCODE | KEYEVENTF_UNICODE)) != 0
                       ? a.ki.wScan == b.ki.wScan
                       : a.ki.wVk == b.ki.wVk;
        };
        for (const INPUT& input : inputs_) {
            const auto it = std::find_if(down.begin(), down.end(),
                                         [&](const INPUT& d) { return sameKey(d, input); });
            const bool up = (input.ki.dwFlags & KEYEVENTF_KEYUP) != 0;
            if (up && it != down.end())
                down.erase(it);
            else if (!up && it == down.end())
                down.push_back(input);
        }
        for (const INPUT& input : down)
            AddKey(input.ki.wVk, input.ki.wScan, input.ki.dwFlags | KEYEVENTF_KEYUP);
    }

    // The number of events Windows took.
    UINT Send() {
        if (inputs_.empty())
            return 0;
        return SendInput(static_cast<UINT>(inputs_.size()), inputs_.data(), sizeof(INPUT));
    }

    std::size_t Size() const { return inputs_.size(); }

private:
    bool HoldsMenuKey() const {
        return std::any_of(lifted_.begin(), lifted_.end(), [](WORD vk) {
            return vk == VK_LMENU || vk == VK_RMENU || vk == VK_LWIN || vk == VK_RWIN;
        });
    }

    std::vector<INPUT> inputs_;
    std::vector<WORD> lifted_;
};

SendInputKeyboardInjector::SendInputKeyboardInjector() : batch_(std::make_unique<Batch>()) {}

SendInputKeyboardInjector::~SendInputKeyboardInjector() = default;

namespace {

// The layout the target reads its keys with: that of the foreground window's thread.
HKL ForegroundLayout() {
    const HWND foreground = GetForegroundWindow();
    return GetKeyboardLayout(foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr)
                                                   : 0);
}

std::u16string Refused(DWORD error) {
    const std::string text = "Windows did not take the keystrokes (error " + std::to_string(error) +
                             "). A program with higher rights than Tapline Brisk may have the "
                             "keyboard.";
    return std::u16string(text.begin(), text.end());
}

} // namespace

void SendInputKeyboardInjector::Inject(const std::uint16_t* keyCodes,
                                       const std::uint16_t* scanCodes, const std::uint32_t* flags,
                                       std::size_t count) {
    lastFailure_.clear();
    const HKL layout = ForegroundLayout();
    batch_->Clear();
    batch_->LiftHeldModifiers(layout);
    const std::size_t first = batch_->Size();
    for (std::size_t i = 0; i < count; ++i) {
        // Windows takes the key from the scan code and ignores wVk then; Wine reads wVk only.
        // The key the layout has at that position serves both.
        WORD vk = keyCodes[i];
        if (vk == 0 && (flags[i] & KEYEVENTF_SCANCODE) != 0) {
            const UINT extended = (flags[i] & KEYEVENTF_EXTENDEDKEY) != 0 ? 0xE000 : 0;
            vk = static_cast<WORD>(
                MapVirtualKeyExW(scanCodes[i] | extended, MAPVK_VSC_TO_VK_EX, layout));
        }
        batch_->AddKey(vk, scanCodes[i], flags[i]);
    }
    if (batch_->Size() == first)
        return; // nothing to type: the operator's keys stay as they are
    batch_->ReleaseKeysLeftDown();
    batch_->PressLiftedModifiers(layout);
    const std::size_t size = batch_->Size();
    lastFailure_ = batch_->Send() == size ? std::u16string() : Refused(GetLastError());
}

bool SendInputKeyboardInjector::TypeCharacters(const std::u32string& text) {
    lastFailure_.clear();
    if (text.empty())
        return true;
    const HKL layout = ForegroundLayout();
    const bool capsLock = (GetKeyState(VK_CAPITAL) & 1) != 0;
    batch_->Clear();
    batch_->LiftHeldModifiers(layout);
    for (const char32_t c : text)
        batch_->AddCharacter(c, layout, capsLock);
    batch_->PressLiftedModifiers(layout);
    const std::size_t size = batch_->Size();
    const UINT sent = batch_->Send();
    if (sent != size)
        lastFailure_ = Refused(GetLastError());
    return sent != 0;
}
