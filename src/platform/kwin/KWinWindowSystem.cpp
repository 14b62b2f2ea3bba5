#include "KWinWindowSystem.h"

#include "KWinReportReceiver.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <thread>
#include <unistd.h>

namespace {

const QString KWinService = QStringLiteral("org.kde.KWin");
const QString ScriptingPath = QStringLiteral("/Scripting");
const QString ScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString ReceiverPath = QStringLiteral("/KWinReport");
// KWin answers in a few milliseconds; a KWin that hangs must not freeze the program for long.
constexpr int CallLimitMs = 1000;
constexpr std::chrono::milliseconds ReportLimit{1000};
constexpr std::chrono::milliseconds KeyboardPollInterval{5};

// Every script runs inside a function of its own, so that nothing it declares outlives it. A
// script that fails (a KWin whose scripting API differs) still reports, so that the caller is
// not kept waiting.
const char* const ScriptFrame = R"js((function () {
    function report(text) {
        callDBus("@SERVICE@", "@PATH@", "@INTERFACE@", "Report", "@TOKEN@", String(text));
    }
    function find(id) {
        var all = workspace.clientList();
        for (var i = 0; i < all.length; ++i) {
            if (String(all[i].internalId) === id)
                return all[i];
        }
        return null;
    }
    try {
@BODY@
    } catch (error) {
        report("failed: " + error);
    }
})();
)js";

// Application windows only: no panels, desktop backgrounds, menus or notifications.
const char* const ListingScript = R"js(
    var desktop = workspace.currentDesktop;
    var all = workspace.clientList();
    var windows = [];
    for (var i = 0; i < all.length; ++i) {
        var w = all[i];
        if (w.deleted || (!w.normalWindow && !w.dialog))
            continue;
        windows.push({id: String(w.internalId), title: String(w.caption), minimised: !!w.minimized,
                      active: !!w.active, order: w.stackingOrder,
                      shown: !!w.onAllDesktops || w.desktop === desktop});
    }
    report(JSON.stringify(windows));
)js";

// The window's internalId, the only text of ours that goes into a script besides our own names.
bool IsPlainUuid(const QString& uuid) {
    return !uuid.isEmpty() && std::all_of(uuid.begin(), uuid.end(), [](QChar c) {
        return c.isDigit() || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') || c == u'{' ||
               c == u'}' || c == u'-';
    });
}

std::u16string CutTitle(const QString& title) {
    std::u16string text = title.toStdU16String();
    if (text.size() > WindowSystem::MaxTitleLength)
        text.resize(WindowSystem::MaxTitleLength);
    return text;
}

std::atomic<unsigned> instances{0};

} // namespace

KWinWindowSystem::KWinWindowSystem(std::function<bool(const std::u16string& title)> isOwnTitle,
                                   std::function<void()> beep)
    : isOwnTitle_(std::move(isOwnTitle)), beep_(std::move(beep)),
      connectionName_(QStringLiteral("tapline-brisk-kwin-%1").arg(++instances)),
      connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)),
      receiver_(std::make_unique<KWinReportReceiver>()) {
    receiver_->moveToThread(&thread_);
    thread_.start();
    if (connection_.isConnected())
        connection_.registerObject(ReceiverPath, receiver_.get(),
                                   QDBusConnection::ExportScriptableSlots);
}

KWinWindowSystem::~KWinWindowSystem() {
    connection_.unregisterObject(ReceiverPath);
    thread_.quit();
    thread_.wait();
    receiver_.reset();
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool KWinWindowSystem::Available() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(KWinService).value())
        return false;
    const QDBusMessage reply = bus.call(
        QDBusMessage::createMethodCall(KWinService, ScriptingPath,
                                       QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                       QStringLiteral("Introspect")),
        QDBus::Block, CallLimitMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().toString().contains(ScriptingInterface);
}

bool KWinWindowSystem::Call(const QString& path, const QString& interface, const QString& method,
                            const QVariantList& arguments, QVariant* answer) {
    QDBusMessage message = QDBusMessage::createMethodCall(KWinService, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = connection_.call(message, QDBus::Block, CallLimitMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return false;
    if (answer != nullptr)
        *answer = reply.arguments().isEmpty() ? QVariant() : reply.arguments().first();
    return true;
}

std::optional<QString> KWinWindowSystem::RunScript(const QString& body) {
    if (!connection_.isConnected() || !scripts_.isValid())
        return std::nullopt;
    const QString token = QString::number(++calls_);
    const QString file = scripts_.filePath(token + QStringLiteral(".js"));
    {
        QString text = QString::fromUtf8(ScriptFrame);
        // The body last, so that nothing in it is taken for a placeholder of the frame.
        text.replace(QStringLiteral("@SERVICE@"), connection_.baseService())
            .replace(QStringLiteral("@PATH@"), ReceiverPath)
            .replace(QStringLiteral("@INTERFACE@"),
                     QString::fromUtf8(KWinReportReceiver::Interface))
            .replace(QStringLiteral("@TOKEN@"), token)
            .replace(QStringLiteral("@BODY@"), body);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(text.toUtf8()) < 0)
            return std::nullopt;
    }
    // KWin refuses a second script of the same name, also one of another instance of the program.
    const QString name = QStringLiteral("%1-%2-%3").arg(connectionName_).arg(getpid()).arg(token);
    receiver_->Expect(token);
    std::optional<QString> text;
    QVariant id;
    // A negative id: KWin did not load it (and a script of that name is not ours to unload).
    if (Call(ScriptingPath, ScriptingInterface, QStringLiteral("loadScript"), {file, name}, &id) &&
        id.toInt() >= 0) {
        // KWin answers run once the script has run; the report is on its way by then.
        if (Call(QStringLiteral("/%1").arg(id.toInt()), QStringLiteral("org.kde.kwin.Script"),
                 QStringLiteral("run"), {}))
            text = receiver_->Wait(ReportLimit);
        Call(ScriptingPath, ScriptingInterface, QStringLiteral("unloadScript"), {name});
    }
    if (!text)
        receiver_->Wait(std::chrono::milliseconds(0));
    QFile::remove(file);
    return text;
}

bool KWinWindowSystem::Refresh(const QString& before) {
    listing_.clear();
    listed_ = false;
    const std::optional<QString> report = RunScript(before + QString::fromUtf8(ListingScript));
    if (!report)
        return false;
    struct Listed {
        Entry entry;
        double order;
    };
    const QJsonDocument document = QJsonDocument::fromJson(report->toUtf8());
    if (!document.isArray())
        return false;
    std::vector<Listed> listed;
    for (const QJsonValue value : document.array()) {
        const QJsonObject window = value.toObject();
        const QString uuid = window.value(QStringLiteral("id")).toString();
        if (!IsPlainUuid(uuid))
            continue;
        auto [known, added] = ids_.try_emplace(uuid, lastId_ + 1);
        if (added)
            ++lastId_;
        Entry entry;
        entry.id = known->second;
        entry.uuid = uuid;
        entry.title = CutTitle(window.value(QStringLiteral("title")).toString());
        entry.minimised = window.value(QStringLiteral("minimised")).toBool();
        entry.shown = window.value(QStringLiteral("shown")).toBool();
        entry.active = window.value(QStringLiteral("active")).toBool();
        listed.push_back({std::move(entry), window.value(QStringLiteral("order")).toDouble()});
    }
    // KWin counts its stacking order from the bottom.
    std::stable_sort(listed.begin(), listed.end(),
                     [](const Listed& a, const Listed& b) { return a.order > b.order; });
    for (Listed& window : listed)
        listing_.push_back(std::move(window.entry));
    listedAt_ = std::chrono::steady_clock::now();
    listed_ = true;
    return true;
}

const KWinWindowSystem::Entry* KWinWindowSystem::Find(WindowId window) {
    if (window == 0)
        return nullptr;
    if (!Fresh())
        Refresh();
    return Listed(window);
}

void KWinWindowSystem::RunOnWindow(WindowId window, const QString& body) {
    const Entry* entry = Find(window);
    if (entry == nullptr)
        return;
    // The listing after the change comes in the same run: a second script would cost as much.
    Refresh(QStringLiteral("    var w = find(\"%1\");\n    if (w) {\n%2\n    }\n")
                .arg(entry->uuid, body));
}

const KWinWindowSystem::Entry* KWinWindowSystem::Listed(WindowId window) const {
    const auto found = std::find_if(listing_.begin(), listing_.end(),
                                    [window](const Entry& e) { return e.id == window; });
    return found == listing_.end() ? nullptr : &*found;
}

bool KWinWindowSystem::Fresh() const {
    return listed_ && std::chrono::steady_clock::now() - listedAt_ <= ListingLifetime;
}

std::vector<WindowId> KWinWindowSystem::TopLevelWindows() {
    Refresh();
    std::vector<WindowId> windows;
    windows.reserve(listing_.size());
    for (const Entry& entry : listing_)
        windows.push_back(entry.id);
    return windows;
}

bool KWinWindowSystem::IsWindow(WindowId window) {
    return Find(window) != nullptr;
}

bool KWinWindowSystem::IsVisible(WindowId window) {
    const Entry* entry = Find(window);
    return entry != nullptr && (entry->shown || entry->minimised);
}

bool KWinWindowSystem::IsMinimised(WindowId window) {
    const Entry* entry = Find(window);
    return entry != nullptr && entry->minimised;
}

std::u16string KWinWindowSystem::Title(WindowId window) {
    const Entry* entry = Find(window);
    return entry == nullptr ? std::u16string() : entry->title;
}

void KWinWindowSystem::Restore(WindowId window) {
    RunOnWindow(window, QStringLiteral("        w.minimized = false;"));
}

void KWinWindowSystem::Activate(WindowId window) {
    RunOnWindow(window, QStringLiteral("        workspace.activeClient = w;"));
}

bool KWinWindowSystem::WaitForKeyboard(WindowId window, int limitMs) {
    if (window == 0)
        return false;
    // Activate lists the windows as they are after the activation.
    if (Fresh() && Listed(window) != nullptr && Listed(window)->active)
        return true;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        if (Refresh()) {
            const Entry* entry = Listed(window);
            if (entry == nullptr)
                return false; // gone
            if (entry->active)
                return true;
        }
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(KeyboardPollInterval);
    }
}

void KWinWindowSystem::Raise(WindowId window) {
    // KWin 5.27 scripts raise a window only by activating it (a keep-above flag set and cleared
    // leaves it where it was). The target application dialog raises itself right after, which
    // gives it the keyboard back with the window just below it, as on X11.
    Activate(window);
}

WindowId KWinWindowSystem::Foreground() {
    Refresh();
    for (const Entry& entry : listing_) {
        if (entry.active)
            return entry.id;
    }
    return 0;
}

bool KWinWindowSystem::IsOwnWindow(WindowId window) {
    const Entry* entry = Find(window);
    return entry != nullptr && isOwnTitle_ && isOwnTitle_(entry->title);
}

void KWinWindowSystem::Beep() {
    if (beep_)
        beep_();
}
