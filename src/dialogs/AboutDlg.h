#pragma once

#include "gui/TemplateDialog.h"

#include <QString>
#include <functional>

class QUrl;

// "About Tapline Brisk": the program's name, version and release day, the receiver products it
// works with, and the maker's contacts; the web site and the two mail addresses open through
// the desktop when clicked.
class CAboutDlg : public TemplateDialog {
    Q_OBJECT
public:
    static const QString WebSite;
    static const QString WebHost;
    static const QString SalesAddress;
    static const QString SupportAddress;
    static constexpr const char* MailSubject = "?Subject=Tapline Brisk";

    // openUrl hands an address to the desktop (browser, mail program).
    explicit CAboutDlg(std::function<bool(const QUrl&)> openUrl, QWidget* parent = nullptr);

    void OnInitDialog() override;

    static QString VersionLine();
    static QString ReleaseLine();
    static QString ProductsText();

private:
    void OnLink(int id);

    std::function<bool(const QUrl&)> OpenUrl;
};
