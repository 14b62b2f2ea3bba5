#pragma once

#include "platform/KeyboardInjector.h"
#include "platform/portal/CompositorKeymap.h"
#include "platform/portal/PortalSession.h"

#include <chrono>
#include <memory>

// Types through the desktop portal's remote desktop keyboard (GNOME, KDE), where the compositor
// lets no ordinary client inject keys. The desktop asks the operator once whether this program
// may type; GNOME's portal cannot remember the answer, so the session is kept for the program's
// run and started only when the operator switches typing on (BeginTyping).
//
// Characters go by key code with the modifiers their level needs, found in the keymap the
// compositor publishes (CompositorKeymap): a portal that is given keysyms picks a key and level
// itself, and KDE's then leaves out the modifier the level needs. Where the keymap's active group
// cannot be known, keysyms go after all, and the compositor picks the key in its active group.
// A batch with a character that cannot be typed exactly is typed not at all.
class PortalKeyboardInjector : public KeyboardInjector {
public:
    // How long the operator has to answer the desktop's question.
    static constexpr std::chrono::minutes ConsentLimit{2};
    // The portal's first key after Start is lost: a harmless one goes first, then this wait.
    static constexpr std::chrono::milliseconds StartSettle{150};

    PortalKeyboardInjector();

    // A portal on the session bus offers remote desktop keyboards: its interface version, else 0.
    static unsigned PortalVersion() { return PortalSession::KeyboardPortalVersion(); }

    bool Available() const override { return available_; }
    void Inject(const std::uint16_t* keyCodes, const std::uint16_t* scanCodes,
                const std::uint32_t* flags, std::size_t count) override;
    bool TypeCharacters(const std::u32string& text) override;
    std::u16string BeginTyping() override;
    std::u16string LastFailure() const override { return lastFailure_; }

private:
    bool TypeByKey(const std::u32string& text);
    bool TypeByKeysym(const std::u32string& text);

    bool available_ = false;
    std::unique_ptr<PortalSession> session_;
    CompositorKeymap keymap_;
    std::u16string lastFailure_;
};
