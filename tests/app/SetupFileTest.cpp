#include "OtherProgramHolding.h"
#include "app/AppHarness.h"
#include "resources/ControlIds.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::u16string U(const QString& s) {
    return s.toStdU16String();
}

QByteArray Read(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

TEST(SetupFile, SaveThenOpenRoundTrip) {
    AppHarness h;
    h.Start();
    const QString path = h.dir.path() + "/Line 3.tpln_brisk";
    h.Doc().Setup.StampType = 2;
    h.Doc().Setup.Reserved[10] = 0x77;
    h.dialogs.answers = {path};
    h.Doc().OnFileSaveAs();
    // A new setup is proposed under its title, in the folder of setup files.
    EXPECT_EQ(h.dialogs.asked.last().folder,
              h.Documents() + "/Orvane/Tapline Brisk/Untitled.tpln_brisk");
    const QByteArray bytes = Read(path);
    ASSERT_EQ(bytes.size(), 1724);
    EXPECT_EQ(bytes.left(6), QByteArray("\xBC\x06\x00\x02\x10\x00", 6));
    EXPECT_EQ(static_cast<unsigned char>(bytes[726 + 10]), 0x77);
    EXPECT_FALSE(h.Doc().SetupChanged());
    EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Line 3");
    EXPECT_EQ(h.settings.GetProfileString("Settings", "CfgFileFolder"), h.dir.path().toStdString());

    h.app->OnFileNew();
    EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Untitled");
    ASSERT_TRUE(h.app->OpenDocumentFile(path));
    EXPECT_EQ(h.Doc().Setup.StampType, 2);
    EXPECT_EQ(h.Doc().Setup.Reserved[10], 0x77) << "reserved bytes survive";
    EXPECT_FALSE(h.Doc().SetupChanged());
    EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Line 3");
    EXPECT_EQ(h.Doc().CfgFolder, h.dir.path());

    h.app->OnFileOpen(); // the dialog starts in the folder of the last setup
    ASSERT_FALSE(h.dialogs.asked.isEmpty());
    EXPECT_EQ(h.dialogs.asked.last().folder, h.dir.path());
    EXPECT_EQ(h.dialogs.asked.last().title, "Open Tapline Brisk Setup File");
}

TEST(SetupFile, RefusedFiles) {
    struct Row {
        const char* name;
        int size;
        std::function<void(SetupRecord&)> edit;
        const char16_t* reason; // nullptr: accepted
    } rows[] = {
        {"short.tpln_brisk", 1723, {}, u"Incorrect file size."},
        {"long.tpln_brisk", 1725, {}, nullptr},
        {"version.tpln_brisk", 1724,
         [](SetupRecord& s) {
             s.RecordVersion = 0x0F;
             s.ModelCode = 0x0201;
         },
         u"Incorrect file version."},
        {"model.tpln_brisk", 1724, [](SetupRecord& s) { s.ModelCode = 0x0201; },
         u"Invalid Tapline model."},
        {"size-field.tpln_brisk", 1724, [](SetupRecord& s) { s.RecordSize = 99; }, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        AppHarness h;
        h.Start();
        const QString path = h.WriteSetup(r.name, r.edit, r.size);
        h.Doc().Setup.StampType = 1; // a changed setup that a refused file must not keep
        h.Doc().SavedSetup.StampType = 1;
        const bool opened = h.app->OpenDocumentFile(path);
        EXPECT_EQ(opened, r.reason == nullptr);
        if (r.reason) {
            EXPECT_EQ(h.LastMessage(), u"Error reading the Tapline Brisk Setup file:     \n\n"
                                       u"    Filename = " +
                                           U(path) + u"     \n\n    Error = " + r.reason +
                                           u"     ");
            EXPECT_EQ(h.Doc().Setup.StampType, 0) << "the default setup";
            EXPECT_FALSE(h.Doc().SetupChanged());
            // The refused file's name is gone, so Save asks for a new name.
            EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Untitled");
            EXPECT_TRUE(h.Doc().PathName.isEmpty());
            const QByteArray before = Read(path);
            h.Doc().OnFileSave();
            EXPECT_EQ(h.dialogs.asked.size(), 1);
            EXPECT_EQ(Read(path), before) << "the refused file is never overwritten";
        } else {
            EXPECT_TRUE(h.messages.shown.empty());
        }
    }
}

TEST(SetupFile, MissingReadOnlyAndHeldOpenFiles) {
    AppHarness h;
    h.Start();
    const QString missing = h.dir.path() + "/gone.tpln_brisk";
    EXPECT_FALSE(h.app->OpenDocumentFile(missing));
    EXPECT_EQ(h.LastMessage(), u"Cannot find the Tapline Brisk Setup file to be opened:     \n\n" +
                                   U(missing) + u"     ");

    const QString readOnly = h.WriteSetup("ro.tpln_brisk", [](SetupRecord& s) { s.StampType = 1; });
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    h.Doc().Setup.DateOrder = 1; // the current setup stays as it is
    EXPECT_FALSE(h.app->OpenDocumentFile(readOnly));
    EXPECT_EQ(h.LastMessage(),
              u"Unable to open the Tapline Brisk Setup file:     \n\n" + U(readOnly) + u"     ");
    EXPECT_EQ(h.Doc().Setup.DateOrder, 1);
    EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Untitled");

    const QString held = h.WriteSetup("held.tpln_brisk", [](SetupRecord& s) { s.StampType = 2; });
    {
        OtherProgramHolding other(QFile::encodeName(held).toStdString());
        EXPECT_FALSE(h.app->OpenDocumentFile(held));
        EXPECT_EQ(h.LastMessage(),
                  u"Unable to open the Tapline Brisk Setup file:     \n\n" + U(held) + u"     ");
        const QByteArray before = Read(held);
        EXPECT_FALSE(h.Doc().OnSaveDocument(held));
        EXPECT_EQ(h.LastMessage(),
                  u"Unable to save the Tapline Brisk Setup parameters in the file:     \n\n" +
                      U(held) + u"     ");
        EXPECT_EQ(Read(held), before) << "a refused save leaves the file untouched";
    }
    EXPECT_TRUE(h.app->OpenDocumentFile(held)) << "free again once the other program closes it";
    EXPECT_EQ(h.Doc().Setup.StampType, 2);
}

TEST(SetupFile, RefusedCommandLineFileStartsUntitled) {
    AppHarness h;
    const QString path = h.WriteSetup("bad.tpln_brisk", {}, 100);
    h.Start({path});
    EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Untitled");
    EXPECT_TRUE(h.Doc().PathName.isEmpty());
    EXPECT_NE(h.LastMessage().find(u"Incorrect file size."), std::u16string::npos);
}

TEST(SetupFile, CommandLineFileIsReadOnceTheViewExists) {
    AppHarness h;
    const QString path =
        h.WriteSetup("Line 3.tpln_brisk", [](SetupRecord& s) { s.OpenAppActive = 1; });
    h.Start({path});
    EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Line 3");
    EXPECT_EQ(h.View().SendToApp, 1);
    EXPECT_EQ(h.Doc().CfgFolder, h.dir.path()) << "the opened file's folder wins at start-up";
}

TEST(SetupFile, ChangedSetupIsAskedAbout) {
    AppHarness h;
    h.Start();
    h.Doc().Setup.StampType = 1;
    h.messages.answers = {MsgAnswer::Cancel};
    h.app->OnFileNew();
    EXPECT_EQ(h.messages.shown.back().text, u"Save changes to Untitled?");
    EXPECT_EQ(h.Doc().Setup.StampType, 1) << "Cancel keeps the setup";
    EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Untitled");

    // Cancelling the Open dialog leaves the flag set for a later open from the recent list.
    const QString other = h.WriteSetup("other.tpln_brisk");
    h.app->OnFileOpen();
    EXPECT_TRUE(h.Doc().Modified);
    h.messages.answers = {MsgAnswer::No};
    EXPECT_TRUE(h.app->OpenDocumentFile(other));
    EXPECT_EQ(h.messages.shown.back().text, u"Save changes to Untitled?");
    EXPECT_EQ(h.Doc().Setup.StampType, 0);

    // No changes: no question.
    const std::size_t asked = h.messages.shown.size();
    h.app->OnFileNew();
    EXPECT_EQ(h.messages.shown.size(), asked);
}

TEST(SetupFile, YesSavesBeforeReplacing) {
    AppHarness h;
    h.Start();
    const QString path = h.WriteSetup("mine.tpln_brisk");
    ASSERT_TRUE(h.app->OpenDocumentFile(path));
    h.Doc().Setup.TimeFormat = 1;
    h.messages.answers = {MsgAnswer::Yes};
    h.app->OnFileNew();
    EXPECT_EQ(h.messages.shown.back().text, u"Save changes to mine.tpln_brisk?");
    EXPECT_EQ(static_cast<unsigned char>(Read(path)[712]), 1);
    EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Untitled");
}

TEST(SetupFile, RecentListKeepsFour) {
    AppHarness h;
    h.Start();
    QStringList paths;
    for (int i = 1; i <= 5; ++i) {
        paths << h.WriteSetup(QString("s%1.tpln_brisk").arg(i));
        ASSERT_TRUE(h.app->OpenDocumentFile(paths.last()));
    }
    EXPECT_EQ(h.app->Recent().Files(), (QStringList{paths[4], paths[3], paths[2], paths[1]}));
    EXPECT_EQ(h.settings.GetProfileString("Recent File List", "File1"), paths[4].toStdString());
    EXPECT_EQ(h.settings.GetProfileString("Recent File List", "File4"), paths[1].toStdString());

    // Opening the open file again only brings the window forward: the file is not read again.
    h.Doc().Setup.StampType = 1;
    EXPECT_TRUE(h.app->OpenDocumentFile(paths[4]));
    EXPECT_EQ(h.Doc().Setup.StampType, 1);
}

TEST(StartUp, SetupFolderIsCreatedAndRecreated) {
    {
        AppHarness h;
        h.Start();
        const QString folder = h.Documents() + "/Orvane/Tapline Brisk";
        EXPECT_EQ(h.settings.GetProfileString("Settings", "CfgFileFolder"), folder.toStdString());
        EXPECT_TRUE(QDir(folder).exists());
        QDir(h.Documents()).removeRecursively();
        AppHarness again;
        again.settings = h.settings;
        again.Start();
        EXPECT_TRUE(QDir(folder).exists()) << "re-created at the next start";
        EXPECT_EQ(again.Doc().CfgFolder, folder);
    }
}

} // namespace
