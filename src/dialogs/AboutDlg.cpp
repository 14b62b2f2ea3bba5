#include "dialogs/AboutDlg.h"

#include "BriskVersion.h"
#include "resources/AboutTemplate.h"
#include "resources/Icons.h"

#include <QUrl>
#include <QWidget>

using namespace idc100;

const QString CAboutDlg::WebSite = QStringLiteral("https://www.orvane.example/");
const QString CAboutDlg::WebHost = QStringLiteral("www.orvane.example");
const QString CAboutDlg::SalesAddress = QStringLiteral("sales@orvane.example");
const QString CAboutDlg::SupportAddress = QStringLiteral("support@orvane.example");

CAboutDlg::CAboutDlg(std::function<bool(const QUrl&)> openUrl, QWidget* parent)
    : TemplateDialog(AboutTemplate(), parent), OpenUrl(std::move(openUrl)) {
    SetEnterPressesDefault(true);
    connect(&Form(), &TemplateForm::Command, this, [this](int id) {
        if (id == Ok)
            accept();
        else
            OnLink(id);
    });
    // No caret ever rests in a link: the focus goes on to OK.
    connect(&Form(), &TemplateForm::SetFocus, this, [this](int) {
        if (QWidget* ok = Form().Control(Ok))
            ok->setFocus(Qt::OtherFocusReason);
    });
}

QString CAboutDlg::VersionLine() {
    return QStringLiteral("Version ") + QStringLiteral(BRISK_VERSION);
}

QString CAboutDlg::ReleaseLine() {
    // English month names whatever the desktop's language, as every other text of the program.
    static const char* const months[] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};
    return QStringLiteral("Released %1 %2, %3")
        .arg(QString::fromLatin1(months[(BRISK_RELEASE_MONTH - 1) % 12]))
        .arg(BRISK_RELEASE_DAY)
        .arg(BRISK_RELEASE_YEAR);
}

QString CAboutDlg::ProductsText() {
    QString text =
        QStringLiteral("The following current Orvane products are supported by Tapline Brisk.\n"
                       "Tapline Brisk will not work with any other products.\n");
    for (const char* product : {"Trailnote USB Dock", "Trailnote USB Compact Dock",
                                "Trailnote RS-232/USB Dock", "Trailnote Keyboard/USB Dock"})
        text += QStringLiteral("    - ") + QString::fromLatin1(product) + u'\n';
    text += QStringLiteral("\nThe baud rate and communication parameters of the connected serial "
                           "device must be set to the factory default of 9600-N-8-1.");
    return text;
}

void CAboutDlg::OnInitDialog() {
    TemplateDialog::OnInitDialog();
    const QRect icon = Form().ToPixels(17, 10, 20, 20);
    Form().SetImage(Icon, ProgramIcon().pixmap(icon.size()));
    Form().Control(Icon)->setAccessibleName(QStringLiteral("Tapline Brisk"));

    // Bold italic Arial at 16 points, or what the desktop offers in its place, in dark blue.
    QFont title(QStringLiteral("Arial"), 16, QFont::Bold, true);
    for (const int id : {Title, Subtitle}) {
        QWidget* label = Form().Control(id);
        label->setFont(title);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(18, 59, 134));
        label->setPalette(palette);
    }
    Form().SetText(Version, VersionLine());
    Form().SetText(Released, ReleaseLine());
    Form().SetText(
        Notice, QStringLiteral("Copyright \u00a9 2009-%1 Orvane Systems.").arg(BRISK_RELEASE_YEAR));
    Form().SetText(Products, ProductsText());
    Form().SetText(WebLink, WebHost);
    Form().SetText(SalesLink, SalesAddress);
    Form().SetText(SupportLink, SupportAddress);
    if (QWidget* ok = Form().Control(Ok))
        ok->setFocus(Qt::OtherFocusReason);
}

void CAboutDlg::OnLink(int id) {
    if (id != WebLink && id != SalesLink && id != SupportLink)
        return;
    const QString text = Form().Text(id);
    QString address;
    if (text.contains(SalesAddress))
        address = QStringLiteral("mailto:") + SalesAddress + QLatin1String(MailSubject);
    else if (text.contains(SupportAddress))
        address = QStringLiteral("mailto:") + SupportAddress + QLatin1String(MailSubject);
    else if (text.contains(WebHost))
        address = WebSite;
    if (!address.isEmpty() && OpenUrl)
        OpenUrl(QUrl(address));
}
