// A Qt text window for keystroke tests: what Qt makes of the keys it receives lands in a file.
// Usage: qt-text-sink [Qt options] TITLE FILE. Tab and Return are text here, as in a spreadsheet
// cell.
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>

#include <filesystem>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3)
        return 2;
    const QString path = args[2];
    QPlainTextEdit edit;
    edit.setWindowTitle(args[1]);
    edit.setTabChangesFocus(false);
    QObject::connect(&edit, &QPlainTextEdit::textChanged, [&] {
        // Written aside and renamed, so that the test never reads half a text.
        QFile file(path + QStringLiteral(".new"));
        if (file.open(QIODevice::WriteOnly))
            file.write(edit.toPlainText().toUtf8());
        file.close();
        std::filesystem::rename((path + QStringLiteral(".new")).toStdString(), path.toStdString());
    });
    edit.resize(400, 200);
    edit.show();
    // Ready once the window is shown: an empty file tells the test so.
    QFile ready(path);
    ready.open(QIODevice::WriteOnly);
    ready.close();
    return app.exec();
}
