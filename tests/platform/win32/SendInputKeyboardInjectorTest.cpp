#include "platform/win32/SendInputKeyboardInjector.h"
#include "platform/win32/Win32WindowSystem.h"

#include "Notepad.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool KeyDown(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

void SendKey(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

class SendInputKeyboardInjectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(notepad_.Window(), 0u);
        windows_.Activate(notepad_.Window());
        ASSERT_TRUE(windows_.WaitForKeyboard(notepad_.Window(), 5000));
    }

    Win32WindowSystem windows_;
    Notepad notepad_{windows_};
    SendInputKeyboardInjector keyboard_;
};

} // namespace

// Readings arrive as their characters: those of the layout by their keys, the others (here
// the micro and degree signs, and one beyond the first 65536) as Unicode; Return and Tab as
// their keys.
TEST_F(SendInputKeyboardInjectorTest, TypesReadingsByLayout) {
    EXPECT_TRUE(keyboard_.TypeCharacters(U"12.345\r"));
    EXPECT_TRUE(keyboard_.TypeCharacters(U"µm °C\t-0.5\r"));
    EXPECT_TRUE(keyboard_.TypeCharacters(U"Wt \U0001D6C2=2\r"));

    EXPECT_EQ(notepad_.TextOnceItIs(L"12.345\r\nµm °C\t-0.5\r\nWt \U0001D6C2=2\r\n"),
              L"12.345\r\nµm °C\t-0.5\r\nWt \U0001D6C2=2\r\n");
    EXPECT_TRUE(keyboard_.LastFailure().empty());
}

// An operator holding Control (or Shift) while a reading comes in must not turn it into
// shortcuts (Control+A selects all, Control+S saves) or other characters; the key is held
// again afterwards.
TEST_F(SendInputKeyboardInjectorTest, HeldModifiersDoNotChangeTheReading) {
    SendKey(VK_LCONTROL, false);
    SendKey(VK_LSHIFT, false);
    ASSERT_TRUE(WaitUntil([] { return KeyDown(VK_LCONTROL) && KeyDown(VK_LSHIFT); }));

    EXPECT_TRUE(keyboard_.TypeCharacters(U"As 1.5\r"));
    const std::wstring text = notepad_.TextOnceItIs(L"As 1.5\r\n");
    // The text can show before the system's key state has caught up with the keys put back.
    const bool controlHeld = WaitUntil([] { return KeyDown(VK_LCONTROL); });
    const bool shiftHeld = WaitUntil([] { return KeyDown(VK_LSHIFT); });
    SendKey(VK_LSHIFT, true);
    SendKey(VK_LCONTROL, true);

    EXPECT_EQ(text, L"As 1.5\r\n");
    EXPECT_TRUE(controlHeld);
    EXPECT_TRUE(shiftHeld);
}

// Scan-code typing sends the US key positions as the keystroke sender lists them ("Ab11" and
// Return: Shift, A, Shift up, B, 1, 1 up, 1, Return), and leaves no key held afterwards.
TEST_F(SendInputKeyboardInjectorTest, TypesScanCodeBatchAndLeavesNoKeyDown) {
    const std::vector<std::uint16_t> scanCodes = {0x2A, 0x1E, 0x2A, 0x30, 0x02, 0x02, 0x02, 0x1C};
    const std::vector<std::uint32_t> flags = {KeyPressFlags, KeyPressFlags, KeyReleaseFlags,
                                              KeyPressFlags, KeyPressFlags, KeyReleaseFlags,
                                              KeyPressFlags, KeyPressFlags};
    const std::vector<std::uint16_t> keyCodes(scanCodes.size(), 0);

    keyboard_.Inject(keyCodes.data(), scanCodes.data(), flags.data(), scanCodes.size());

    EXPECT_EQ(notepad_.TextOnceItIs(L"Ab11\r\n"), L"Ab11\r\n");
    for (const int vk : {int{'A'}, int{'B'}, int{'1'}, VK_RETURN, VK_SHIFT})
        EXPECT_FALSE(KeyDown(vk)) << "virtual key " << vk << " still down";
}

// Caps Lock on: the letters still arrive as they are in the reading.
TEST_F(SendInputKeyboardInjectorTest, CapsLockDoesNotChangeTheReading) {
    SendKey(VK_CAPITAL, false);
    SendKey(VK_CAPITAL, true);
    ASSERT_TRUE(WaitUntil([] { return (GetKeyState(VK_CAPITAL) & 1) != 0; }));

    EXPECT_TRUE(keyboard_.TypeCharacters(U"Ab 1.5 mm\r"));
    const std::wstring text = notepad_.TextOnceItIs(L"Ab 1.5 mm\r\n");
    SendKey(VK_CAPITAL, false);
    SendKey(VK_CAPITAL, true);

    EXPECT_EQ(text, L"Ab 1.5 mm\r\n");
}
