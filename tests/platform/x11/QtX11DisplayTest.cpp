// gtest and Qt come before Xlib, whose macros (None, Bool, Status) clash with them.
#include <QGuiApplication>
#include <QWindow>
#include <gtest/gtest.h>

#include "XServer.h"
#include "platform/x11/QtX11Display.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XTestKeyboardInjector.h"

#include <algorithm>
#include <memory>

namespace {

// Qt takes its platform once per process, so the offscreen case is in xtest_injector_test.
std::unique_ptr<QGuiApplication> MakeX11Application() {
    static int argc = 3;
    static char arg0[] = "qt_x11_display_test", arg1[] = "-platform", arg2[] = "xcb";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

// On X11 the program injects and walks windows on Qt's own connection, and knows its windows.
TEST(QtX11DisplayTest, X11PlatformSharesItsConnection) {
    XServer server(true);
    ASSERT_TRUE(server.Ok());
    auto app = MakeX11Application();
    Display* display = QtX11Display();
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(std::string(DisplayString(display)), server.Name());
    EXPECT_TRUE(XTestKeyboardInjector(display).Available());

    QWindow mainWindow;
    mainWindow.setTitle(QStringLiteral("Tapline Brisk - Untitled"));
    mainWindow.resize(300, 200);
    mainWindow.show();
    const auto ownId = static_cast<WindowId>(mainWindow.winId());
    X11WindowSystem windows(display, [&](WindowId id) { return id == ownId; });
    const auto listed = [&] {
        QCoreApplication::processEvents();
        const auto walk = windows.TopLevelWindows();
        return std::find(walk.begin(), walk.end(), ownId) != walk.end() && windows.IsVisible(ownId);
    };
    ASSERT_TRUE(WaitFor(listed));
    EXPECT_EQ(windows.Title(ownId), u"Tapline Brisk - Untitled");
    EXPECT_TRUE(windows.IsOwnWindow(ownId));
    windows.Activate(ownId);
    EXPECT_TRUE(WaitFor([&] {
        QCoreApplication::processEvents();
        return windows.Foreground() == ownId;
    }));
    // A window gone meanwhile does not upset Qt's connection.
    EXPECT_FALSE(windows.IsWindow(0x7FFFFFF));
    EXPECT_EQ(windows.Title(0x7FFFFFF), u"");
    mainWindow.destroy();
    app.reset();
}

} // namespace
