#include "platform/portal/PortalKeyboardInjector.h"
#include "platform/portal/PortalParent.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QString>
#include <QThread>

#include <xkbcommon/xkbcommon-keysyms.h>

#include <optional>
#include <vector>

namespace {

// KWin tells clients without the keyboard focus nothing of the operator's layout switches; it
// names the active layout (the group of its keymap) on the session bus while it has several.
std::optional<unsigned> KdeActiveLayout() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.keyboard"), QStringLiteral("/Layouts"),
        QStringLiteral("org.kde.KeyboardLayouts"), QStringLiteral("getLayout"));
    call.setAutoStartService(false);
    const QDBusReply<uint> reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (!reply.isValid())
        return std::nullopt;
    return reply.value();
}

} // namespace

PortalKeyboardInjector::PortalKeyboardInjector()
    : available_(PortalVersion() > 0), session_(std::make_unique<PortalSession>()) {}

std::u16string PortalKeyboardInjector::BeginTyping() {
    if (session_->IsOpen())
        return {};
    switch (session_->Open(ConsentLimit, PortalParentWindow())) {
    case PortalSession::Outcome::Granted:
        break;
    case PortalSession::Outcome::Refused:
        return u"The desktop did not allow this program to type. Readings will not be typed "
               u"into other applications.";
    case PortalSession::Outcome::TimedOut:
        return u"The desktop's question whether this program may type was not answered. "
               u"Readings will not be typed into other applications.";
    case PortalSession::Outcome::NoPortal:
        return u"This desktop offers no way for this program to type (no remote desktop "
               u"portal). Readings will not be typed into other applications.";
    case PortalSession::Outcome::Failed:
        return u"The desktop could not let this program type. Readings will not be typed "
               u"into other applications.";
    }
    // Shift types nothing wherever the focus is.
    session_->Keysym(XKB_KEY_Shift_L, true);
    session_->Keysym(XKB_KEY_Shift_L, false);
    QThread::msleep(static_cast<unsigned long>(StartSettle.count()));
    keymap_.Connect();
    return {};
}

void PortalKeyboardInjector::Inject(const std::uint16_t*, const std::uint16_t* scanCodes,
                                    const std::uint32_t* flags, std::size_t count) {
    // Set 1 make codes are the evdev keycodes of the same keys.
    for (std::size_t i = 0; i < count; ++i) {
        if (scanCodes[i] != 0)
            session_->Keycode(scanCodes[i], (flags[i] & KeyEventKeyUp) == 0);
    }
}

bool PortalKeyboardInjector::TypeCharacters(const std::u32string& text) {
    lastFailure_.clear();
    if (!session_->IsOpen()) {
        lastFailure_ = u"Typing is not allowed by the desktop: switch \"Send to App via Keyboard\" "
                       u"off and on again to ask again.";
        return false;
    }
    if (!keymap_.Refresh())
        keymap_.Connect();
    keymap_.SetGroup(keymap_.Groups() > 1 ? KdeActiveLayout() : std::nullopt);
    if (!keymap_.HasKeymap()) {
        lastFailure_ = u"The desktop does not show this program its keyboard layout: the reading "
                       u"is not typed, as it could arrive as other characters.";
        return false;
    }
    const std::u32string missing = keymap_.Missing(text);
    if (!missing.empty()) {
        QString list;
        for (const char32_t c : missing) {
            if (!list.isEmpty())
                list += QLatin1Char(' ');
            list += QString::fromUcs4(&c, 1);
        }
        lastFailure_ = QStringLiteral("This reading holds characters the active keyboard layout "
                                      "cannot type: %1")
                           .arg(list)
                           .toStdU16String();
        return false;
    }
    if (!(keymap_.GroupKnown() ? TypeByKey(text) : TypeByKeysym(text))) {
        lastFailure_ = u"The desktop stopped this program's typing: switch \"Send to App via "
                       u"Keyboard\" off and on again to ask again.";
        return false;
    }
    return true;
}

bool PortalKeyboardInjector::TypeByKey(const std::u32string& text) {
    std::vector<unsigned> keys;
    for (const char32_t c : text) {
        const std::optional<KeyStrokes::Stroke> stroke = keymap_.Find(c);
        if (!stroke)
            return false;
        keys = stroke->held;
        keys.push_back(stroke->key);
        // Whatever went down comes up again, in reverse order, even where the portal refused a
        // step: a modifier left down would change every key the operator types.
        std::size_t pressed = 0;
        bool typed = true;
        while (typed && pressed < keys.size())
            typed = session_->Keycode(keys[pressed++], true);
        while (pressed > 0)
            typed = session_->Keycode(keys[--pressed], false) && typed;
        if (!typed)
            return false;
    }
    return true;
}

bool PortalKeyboardInjector::TypeByKeysym(const std::u32string& text) {
    for (const char32_t c : text) {
        const unsigned keysym = CompositorKeymap::KeysymFor(c);
        if (!session_->Keysym(keysym, true) || !session_->Keysym(keysym, false))
            return false;
    }
    return true;
}
