// Writes the program icon as PNG files for the desktop's icon theme:
//   render-icon OUTDIR   ->   OUTDIR/<size>x<size>/apps/tapline-brisk.png
#include "resources/Icons.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render-icon OUTDIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (int size : ProgramIconSizes()) {
        const QString dir =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        QDir().mkpath(dir);
        if (!ProgramImage(size).save(dir + QStringLiteral("/tapline-brisk.png"))) {
            std::fprintf(stderr, "render-icon: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
