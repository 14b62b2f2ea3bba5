#pragma once

#include "app/BriskApp.h"
#include "app/BriskDoc.h"
#include "app/MainFrame.h"
#include "fakes/FakeFileDialogs.h"
#include "fakes/FakeKeyboardInjector.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeNotices.h"
#include "fakes/FakeProcessLauncher.h"
#include "fakes/FakeSettingsStore.h"
#include "fakes/FakeWindowSystem.h"
#include "gui/TemplateForm.h"
#include "platform/SerialPortDiscovery.h"
#include "view/BriskView.h"
#include "view/ShownLamp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QUrl>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Discovery that finds nothing: tests map their ports by hand.
class NoDiscovery : public SerialPortDiscovery {
public:
    std::vector<DiscoveredPort> Discover() override { return {}; }
};

// The whole program on fake services, for tests that look at it as a user would.
class AppHarness {
public:
    FakeSettingsStore settings;
    FakeMessageBox messages;
    FakeNotices notices;
    FakeFileDialogs dialogs;
    FileDialogs* fileDialogs = &dialogs; // a test may put the real ones here before Start
    NoDiscovery discovery;
    FakeKeyboardInjector keyboard;
    FakeWindowSystem windows;
    FakeProcessLauncher processes;
    QList<QUrl> openedUrls;
    QTemporaryDir dir;
    std::unique_ptr<CBriskApp> app;

    QString Documents() const { return dir.path() + "/Documents"; }

    void Start(const QStringList& arguments = {}) {
        AppServices services{
            {settings, messages, discovery, keyboard, windows, processes, *fileDialogs, notices},
            [this](const QUrl& url) {
                openedUrls.append(url);
                return false;
            },
            Documents()};
        app = std::make_unique<CBriskApp>(services);
        app->InitInstance(arguments);
        Pump();
    }
    static void Pump() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    CBriskView& View() { return *app->View; }
    CMainFrame& Frame() { return *app->MainFrame; }
    CBriskDoc& Doc() { return *app->Document; }
    TemplateForm& Form() { return *View().Form; }
    QString Field(int id) { return Form().Text(id); }

    Led Lamp(int id) { return ShownLamp(View(), id); }

    // Writes a setup file: the default record changed by edit, cut or padded to size bytes.
    QString WriteSetup(const QString& name, const std::function<void(SetupRecord&)>& edit = {},
                       int size = SetupRecord::Size) {
        SetupRecords records;
        records.SetDefaults();
        if (edit)
            edit(records.Setup);
        QByteArray bytes(reinterpret_cast<const char*>(records.Setup.Bytes()), SetupRecord::Size);
        bytes.resize(size, '\0');
        const QString path = dir.path() + "/" + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    std::u16string LastMessage() const {
        return messages.shown.empty() ? std::u16string() : messages.shown.back().text;
    }
};
