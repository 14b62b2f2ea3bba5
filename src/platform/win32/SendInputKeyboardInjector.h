#pragma once

#include "platform/KeyboardInjector.h"

#include <memory>

// Injects key events with SendInput, one call per batch, so that nothing the operator types
// can come between the keys of one reading.
//
// Scan-code batches go out as given (virtual-key code, scan code and flags of each event); a
// key the batch leaves down is released at its end, so that no key stays held in Windows' key
// state after the reading (games, remote-desktop clients and key-state readers would see it
// held, and a remote X server would repeat it).
//
// Characters are typed by the keyboard layout of the foreground window's thread: each as the
// key and Shift/Ctrl/Alt state that layout gives it, checked against the Caps Lock state in
// force; a character the layout lacks, or types only through a dead key, goes as a Unicode
// packet (KEYEVENTF_UNICODE). Carriage return is Return, tab Tab, backspace Backspace and
// escape Escape.
//
// Modifier keys the operator holds would turn a reading into shortcuts (Control+S) or other
// characters: both modes release them for the batch and press them again after it.
class SendInputKeyboardInjector : public KeyboardInjector {
public:
    SendInputKeyboardInjector();
    ~SendInputKeyboardInjector() override;

    bool Available() const override { return true; }
    void Inject(const std::uint16_t* keyCodes, const std::uint16_t* scanCodes,
                const std::uint32_t* flags, std::size_t count) override;
    bool TypeCharacters(const std::u32string& text) override;
    std::u16string LastFailure() const override { return lastFailure_; }

private:
    // The events of one batch, reused from batch to batch; kept out of this header so that
    // code including it does not get <windows.h> and its macros.
    class Batch;
    std::unique_ptr<Batch> batch_;
    std::u16string lastFailure_;
};
