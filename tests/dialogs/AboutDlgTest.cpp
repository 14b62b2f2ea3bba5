#include "dialogs/AboutDlg.h"
#include "resources/AboutTemplate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace idc100;

class AboutDialogTest : public ::testing::Test {
protected:
    std::unique_ptr<CAboutDlg> Open() {
        auto d = std::make_unique<CAboutDlg>([this](const QUrl& url) {
            opened.append(url.toString());
            return true;
        });
        d->OnInitDialog();
        d->show();
        QApplication::setActiveWindow(d.get());
        QApplication::processEvents();
        return d;
    }
    static void LeftClick(QWidget* w) {
        const QPointF at(2, 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    }

    QStringList opened;
};

TEST_F(AboutDialogTest, ShowsTheBuildsVersionAndTheCurrentProducts) {
    auto d = Open();
    EXPECT_EQ(d->Form().Text(Version), "Version " BRISK_PROJECT_VERSION ".0");
    EXPECT_TRUE(d->Form().Text(Released).contains(QRegularExpression(
        "^Released (January|February|March|April|May|June|July|August|September|October|"
        "November|December) [1-9][0-9]?, 20[0-9][0-9]$")))
        << d->Form().Text(Released).toStdString();
    EXPECT_EQ(d->Form().Text(Products),
              "The following current Orvane products are supported by Tapline Brisk.\n"
              "Tapline Brisk will not work with any other products.\n"
              "    - Trailnote USB Dock\n"
              "    - Trailnote USB Compact Dock\n"
              "    - Trailnote RS-232/USB Dock\n"
              "    - Trailnote Keyboard/USB Dock\n"
              "\n"
              "The baud rate and communication parameters of the connected serial device must "
              "be set to the factory default of 9600-N-8-1.");
    EXPECT_EQ(d->Form().Control(Title)->palette().color(QPalette::WindowText), QColor(18, 59, 134));
    EXPECT_TRUE(d->Form().Control(Subtitle)->font().bold());
    EXPECT_TRUE(d->Form().Control(Subtitle)->font().italic());
}

TEST_F(AboutDialogTest, LinksOpenThroughTheDesktopAndNeverKeepTheFocus) {
    auto d = Open();
    LeftClick(d->Form().Control(SupportLink));
    LeftClick(d->Form().Control(SalesLink));
    LeftClick(d->Form().Control(WebLink));
    EXPECT_EQ(opened, (QStringList{"mailto:support@orvane.example?Subject=Tapline Brisk",
                                   "mailto:sales@orvane.example?Subject=Tapline Brisk",
                                   "https://www.orvane.example/"}));

    QWidget* ok = d->Form().Control(Ok);
    for (const int link : {WebLink, SalesLink, SupportLink}) {
        d->Form().Control(link)->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), ok) << link;
    }
    // Tabbing on from OK goes round the links and lands on OK again.
    ok->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 4; ++i) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        QApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), ok) << i;
    }
}

} // namespace
