#include <gtest/gtest.h>

#include "KWinSession.h"
#include "fakes/FakeKeyboardInjector.h"
#include "platform/kwin/KWinWindowSystem.h"
#include "setup/SetupRecord.h"
#include "targets/Target_App.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Three Qt windows in a headless KWin, found, restored and activated the way the keystroke
// sender does it; KWin itself, asked by a second connection, says which window was active when
// the keys went out.
class KWinWindowSystemTest : public ::testing::Test {
protected:
    static constexpr const char* Monitor = "Tapline Brisk Monitor";
    static constexpr const char* Beta = "Brisk Beta Sink";
    static constexpr const char* Gamma = "Brisk Gamma Sink";

    static void SetUpTestSuite() {
        session = std::make_unique<KWinSession>();
        if (!session->Error().empty())
            return;
        dir = fs::temp_directory_path() / "kwin-sinks";
        fs::create_directories(dir);
        // The program's own window has a title longer than the list keeps.
        for (const std::string& title : {std::string(Monitor) + " " + std::string(120, 'x'),
                                         std::string(Beta), std::string(Gamma)}) {
            const fs::path file = dir / std::to_string(sinks.size());
            sinks.emplace_back(std::vector<std::string>{QT_TEXT_SINK, title, file.string()});
            readyFiles.push_back(file);
        }
    }
    static void TearDownTestSuite() {
        sinks.clear();
        session.reset();
        fs::remove_all(dir);
    }

    // Asks KWin which window is active, through a connection of its own.
    struct ObservingKeyboard : FakeKeyboardInjector {
        KWinWindowSystem* observer = nullptr;
        std::vector<std::u16string> activeWhenTyped;
        bool TypeCharacters(const std::u32string& text) override {
            const WindowId active = observer->Foreground();
            activeWhenTyped.push_back(active == 0 ? u"" : observer->Title(active));
            return FakeKeyboardInjector::TypeCharacters(text);
        }
    };

    void SetUp() override {
        ASSERT_TRUE(session->Error().empty()) << session->Error();
        windows = std::make_unique<KWinWindowSystem>(
            [](const std::u16string& title) { return title.starts_with(u"Tapline Brisk"); },
            [this] { ++beeps; });
        observer = std::make_unique<KWinWindowSystem>(nullptr, nullptr);
        keyboard.observer = observer.get();
        sender = std::make_unique<CTarget_App>(keyboard, *windows);
        records.SetDefaults();
        sender->Setup = &records.Setup;
        ASSERT_TRUE(WaitFor([] {
            for (const fs::path& file : readyFiles) {
                if (!fs::exists(file))
                    return false;
            }
            return true;
        })) << "the sink windows did not start";
        ASSERT_TRUE(WaitFor([this] { return Find(Beta) && Find(Gamma) && Find(Monitor); }))
            << "KWin does not list the sink windows";
    }

    // The window whose title begins with title, as the observer sees it.
    WindowId Find(const char* title) {
        const std::u16string wanted = QString::fromUtf8(title).toStdU16String();
        for (const WindowId id : observer->TopLevelWindows()) {
            if (observer->Title(id).starts_with(wanted))
                return id;
        }
        return 0;
    }

    void Minimise(const char* title) {
        ASSERT_TRUE(session->RunScript(std::string("var all = workspace.clientList();\n"
                                                   "for (var i = 0; i < all.length; ++i)\n"
                                                   "    if (all[i].caption === \"") +
                                       title + "\") all[i].minimized = true;\n"));
        const WindowId id = Find(title);
        ASSERT_TRUE(WaitFor([&] { return observer->IsMinimised(id); }));
    }

    static std::unique_ptr<KWinSession> session;
    static std::vector<ChildProcess> sinks;
    static std::vector<fs::path> readyFiles;
    static fs::path dir;
    std::unique_ptr<KWinWindowSystem> windows;
    std::unique_ptr<KWinWindowSystem> observer;
    ObservingKeyboard keyboard;
    std::unique_ptr<CTarget_App> sender;
    SetupRecords records;
    int beeps = 0;
};
std::unique_ptr<KWinSession> KWinWindowSystemTest::session;
std::vector<ChildProcess> KWinWindowSystemTest::sinks;
std::vector<fs::path> KWinWindowSystemTest::readyFiles;
fs::path KWinWindowSystemTest::dir;

TEST_F(KWinWindowSystemTest, ListsTheWindowsWithTheirTitlesCutAndTellsTheProgramsOwn) {
    const WindowId monitor = Find(Monitor);
    const std::u16string title = windows->Title(monitor);
    EXPECT_EQ(title.size(), WindowSystem::MaxTitleLength);
    EXPECT_TRUE(title.starts_with(u"Tapline Brisk Monitor xxx"));
    EXPECT_TRUE(windows->IsOwnWindow(monitor));
    EXPECT_FALSE(windows->IsOwnWindow(Find(Beta)));
    for (const WindowId id : windows->TopLevelWindows()) {
        EXPECT_TRUE(windows->IsVisible(id));
        EXPECT_FALSE(windows->IsMinimised(id));
    }
}

TEST_F(KWinWindowSystemTest, KeystrokeSenderActivatesTheWindowItTypesInto) {
    struct Row {
        const char* what;
        int mode;
        std::vector<const char*> focusOrder; // activated in turn before the reading
        const char* minimised;               // minimised before the reading, or null
        const char* setupTitle;
        const char* typedInto; // null: beeped, nothing typed
    };
    const Row rows[] = {
        {"mode 1 finds a covered window", 1, {Beta, Gamma}, nullptr, "BETA sink", Beta},
        {"mode 1 takes the topmost of two matches",
         1,
         {Gamma, Beta, Monitor},
         nullptr,
         "sink",
         Beta},
        {"mode 1 restores a minimised window", 1, {Gamma}, Beta, "beta", Beta},
        {"mode 1 without a match beeps", 1, {Gamma}, nullptr, "zeta", nullptr},
        {"mode 0 types into the active window", 0, {Beta, Gamma}, nullptr, "", Gamma},
        {"mode 0 never types into the program's own window", 0, {Monitor}, nullptr, "", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        keyboard.texts.clear();
        keyboard.activeWhenTyped.clear();
        beeps = 0;
        for (const char* title : row.focusOrder) {
            const WindowId id = Find(title);
            observer->Activate(id);
            ASSERT_TRUE(observer->WaitForKeyboard(id, 2000)) << title;
        }
        if (row.minimised != nullptr)
            Minimise(row.minimised);
        records.Setup.TargetAppMode = static_cast<std::uint8_t>(row.mode);
        std::memset(records.Setup.TargetAppTitle, 0, sizeof records.Setup.TargetAppTitle);
        std::strncpy(records.Setup.TargetAppTitle, row.setupTitle, 100);

        sender->SendPacket(u"12.5\r");

        if (row.typedInto == nullptr) {
            EXPECT_EQ(beeps, 1);
            EXPECT_TRUE(keyboard.texts.empty());
            continue;
        }
        EXPECT_EQ(beeps, 0);
        ASSERT_EQ(keyboard.texts, std::vector<std::u32string>{U"12.5\r"});
        const std::u16string expected = QString::fromUtf8(row.typedInto).toStdU16String();
        EXPECT_EQ(keyboard.activeWhenTyped, std::vector<std::u16string>{expected});
        // Activated windows come to the top of the list.
        const std::vector<WindowId> list = observer->TopLevelWindows();
        ASSERT_FALSE(list.empty());
        EXPECT_EQ(observer->Title(list.front()), expected);
        EXPECT_FALSE(observer->IsMinimised(list.front()));
    }
}

} // namespace
