#pragma once

#include "fakes/FakeFileDialogs.h"
#include "fakes/FakeKeyboardInjector.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeNotices.h"
#include "fakes/FakeProcessLauncher.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"
#include "fakes/FakeViewDocument.h"
#include "fakes/FakeViewFrame.h"
#include "fakes/FakeWindowSystem.h"
#include "gui/CommandRouter.h"
#include "gui/TemplateForm.h"
#include "setup/SetupFile.h"
#include "view/BriskView.h"
#include "view/ShownLamp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

// The view on fake services, in a fake frame, showing a fake setup document.
struct ViewHarness {
    FakeSettingsStore settings;
    FakeMessageBox messages;
    FakeNotices notices;
    FakeSerialPortDiscovery discovery; // finds nothing: tests map their ports by hand
    FakeKeyboardInjector keyboard;
    FakeWindowSystem windows;
    FakeProcessLauncher processes;
    FakeFileDialogs dialogs;
    FakeViewFrame frame;
    FakeViewDocument doc;
    QTemporaryDir dir;
    std::unique_ptr<CBriskView> view;
    CommandRouter router; // the view alone, as the first place commands go

    void Start() {
        view = std::make_unique<CBriskView>(ViewServices{settings, messages, discovery, keyboard,
                                                         windows, processes, dialogs, notices});
        view->OnInitialUpdate(&frame, &doc);
        router.SetTargets({&view->Commands});
    }
    // A setup file read: the default record changed by edit.
    void Open(const std::function<void(SetupRecord&)>& edit) {
        SetupRecords records;
        records.SetDefaults();
        edit(records.Setup);
        doc.Open(records.Setup);
    }

    // A setup file read by the program's own reader, then opened as the document opens it.
    bool OpenFile(const QString& path) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        SetupRecords records;
        const int result = ReadSetupRecord(fd, records);
        ::close(fd);
        if (result != 0)
            return false;
        doc.Open(records.Setup);
        return true;
    }

    CBriskView& View() { return *view; }
    TemplateForm& Form() { return *view->Form; }
    QString Field(int id) { return Form().Text(id); }
    // A menu command or toolbar button, as the user gives it: refused while disabled.
    bool Run(int id) { return router.Execute(id); }
    CommandUi Ui(int id) { return router.State(id); }

    Led Lamp(int id) { return ShownLamp(View(), id); }
};

// Lets the event loop run for a while with nothing to do.
inline void Idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until cond holds (true) or the limit has passed (false).
inline bool WaitUntil(const std::function<bool()>& cond, int limitMs = 2000) {
    QElapsedTimer timer;
    timer.start();
    while (!cond()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}
