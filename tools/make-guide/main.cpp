// Builds the user's guide: the Markdown source laid out as a PDF, with pictures of the
// program's windows drawn from its own widgets at build time, so that they always show the
// program as it is built.
//   make-guide SOURCE.md OUTPUT.pdf
// A picture is named in the source as ![caption](NAME.png), NAME one of the pictures below.
#include "dialogs/AboutDlg.h"
#include "dialogs/Parse_Setup_Brisk_Dlg.h"
#include "dialogs/PreferencesDlg.h"
#include "gui/TemplateForm.h"
#include "resources/ControlIds.h"
#include "resources/Icons.h"
#include "resources/MainViewTemplate.h"
#include "resources/MenuResources.h"
#include "view/LED_Ctrl.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <QMenuBar>
#include <QPdfWriter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <cstdio>

namespace {

QImage Picture(QWidget& widget) {
    widget.show();
    QApplication::processEvents();
    return widget.grab().toImage();
}

// A dialog's whole face, also where the small offscreen screen would make the dialog scroll.
QImage Picture(TemplateDialog& dialog) {
    Picture(static_cast<QWidget&>(dialog));
    return dialog.Form().grab().toImage();
}

// The main window as it looks with the port open, a reading just received, keyboard and file
// transfer on: menus, toolbar, the form and the status bar.
QImage MainWindow() {
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Tapline Brisk - Bench 4.tpln_brisk"));
    for (const MenuResource& menu : MainMenu())
        frame.menuBar()->addMenu(QString::fromUtf8(menu.title));
    QToolBar* toolbar = frame.addToolBar(QString());
    toolbar->setMovable(false);
    toolbar->setIconSize(QSize(28, 23));
    for (const int id : MainToolbar()) {
        if (id == 0)
            toolbar->addSeparator();
        else
            toolbar->addAction(ToolbarIcon(id), QString());
    }
    auto* form = new TemplateForm(MainViewTemplate());
    frame.setCentralWidget(form);
    frame.statusBar()->addWidget(new QLabel(QStringLiteral("Ready")), 1);
    frame.statusBar()->setSizeGripEnabled(false);

    CLED_Ctrl leds;
    leds.PrepareLeds(form->palette().color(QPalette::Button));
    for (const auto& [id, led] : {std::pair{ctl::SerialLed, Led::Green},
                                  {ctl::KeyboardLed, Led::Green},
                                  {ctl::FileLed, Led::Green},
                                  {ctl::PacketLed, Led::Green}})
        form->SetImage(id, leds.Image(led));
    for (const int id : {ctl::SerialSwitch, ctl::SendToAppSwitch, ctl::SendToFileSwitch})
        form->SetCheck(id, true);
    form->SetText(ctl::InputPacket, QStringLiteral("12.345{CR}"));
    form->SetText(ctl::OutputPacket, QStringLiteral("12/9/2026,2:41:07 PM,12.345"));
    form->SetText(ctl::KbApp, QStringLiteral("Use application with current input focus"));
    form->SetText(ctl::FileName, QStringLiteral("/home/ana/Documents/readings.csv"));
    form->SetInt(ctl::FileWrites, 27);
    form->SetInt(ctl::FileErrors, 0);
    form->SetText(ctl::Device, QStringLiteral("Trailnote USB Dock on COM3"));
    form->SetInt(ctl::RxDBuffer, 0);
    frame.adjustSize();
    return Picture(frame);
}

SetupRecord SampleSetup() {
    SetupRecords records;
    records.SetDefaults();
    records.Setup.StampType = 2;
    records.Setup.DateSeparator = 1;
    return records.Setup;
}

QImage ParsingDialog() {
    SetupRecord setup = SampleSetup();
    CParse_Setup_Brisk_Dlg dialog(setup, {});
    // A fixed moment, so that the guide does not change with every build.
    dialog.Now = [] { return std::int64_t{1796834467}; };
    dialog.OnInitDialog();
    return Picture(dialog);
}

QImage PreferencesDialog() {
    CPreferencesDlg dialog(SampleSetup(), {});
    dialog.OnInitDialog();
    return Picture(dialog);
}

QImage AboutDialog() {
    CAboutDlg dialog({});
    dialog.OnInitDialog();
    return Picture(dialog);
}

// Widest picture on the page, in the layout's pixels (96 per inch): the text width of A4 with
// 2 cm margins.
constexpr double MaxWidth = 170.0 / 25.4 * 96.0;

// Gives every picture its size on the page: as on the screen, narrowed to the text width.
void SizePictures(QTextDocument& doc, const QMap<QString, QImage>& pictures, double scale) {
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QImage image = pictures.value(format.name());
            if (image.isNull())
                continue;
            double width = image.width() / scale;
            double height = image.height() / scale;
            if (width > MaxWidth) {
                height *= MaxWidth / width;
                width = MaxWidth;
            }
            format.setWidth(width);
            format.setHeight(height);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-guide SOURCE.md OUTPUT.pdf\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Pictures at twice the screen's density, so that they stay sharp on paper.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    const double scale = 2.0;

    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make-guide: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    const QMap<QString, QImage> pictures{
        {QStringLiteral("main-window.png"), MainWindow()},
        {QStringLiteral("parsing.png"), ParsingDialog()},
        {QStringLiteral("preferences.png"), PreferencesDialog()},
        {QStringLiteral("about.png"), AboutDialog()},
    };

    QTextDocument doc;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    doc.setDefaultFont(font);
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    for (auto it = pictures.begin(); it != pictures.end(); ++it)
        doc.addResource(QTextDocument::ImageResource, QUrl(it.key()), it.value());
    SizePictures(doc, pictures, scale);

    QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
    writer.setTitle(QStringLiteral("Tapline Brisk User's Guide"));
    writer.setCreator(QStringLiteral("Orvane Systems"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    // The document adds its own 2 cm margins and the page numbers when it prints.
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    writer.setResolution(300);
    doc.print(&writer);
    if (!QFileInfo(QString::fromLocal8Bit(argv[2])).size()) {
        std::fprintf(stderr, "make-guide: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
