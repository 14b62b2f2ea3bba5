// Writes the program icon:
//   render-icon OUTDIR        ->  OUTDIR/<size>x<size>/apps/tapline-brisk.png, for the desktop's
//                                 icon theme
//   render-icon --ico FILE    ->  one Windows icon file with every size, for the program's
//                                 resources and the installer
#include "resources/Icons.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QtEndian>
#include <cstdio>
#include <cstring>

namespace {

// An icon file whose images are PNG files, as Windows reads them since Vista: a header, one
// directory entry per image, then the images.
bool WriteIco(const QString& path) {
    QList<QByteArray> images;
    for (int size : ProgramIconSizes()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!ProgramImage(size).save(&buffer, "PNG"))
            return false;
        images << png;
    }
    QByteArray out;
    const auto put16 = [&out](quint16 v) {
        const quint16 le = qToLittleEndian(v);
        out.append(reinterpret_cast<const char*>(&le), 2);
    };
    const auto put32 = [&out](quint32 v) {
        const quint32 le = qToLittleEndian(v);
        out.append(reinterpret_cast<const char*>(&le), 4);
    };
    put16(0);
    put16(1); // an icon, not a cursor
    put16(static_cast<quint16>(images.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = ProgramIconSizes()[i];
        out.append(static_cast<char>(size >= 256 ? 0 : size)); // 0 stands for 256
        out.append(static_cast<char>(size >= 256 ? 0 : size));
        out.append('\0'); // no palette
        out.append('\0');
        put16(1);  // planes
        put16(32); // bits per pixel
        put32(static_cast<quint32>(images[i].size()));
        put32(offset);
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray& png : images)
        out.append(png);
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(out) == out.size();
}

} // namespace

int main(int argc, char** argv) {
    const bool ico = argc == 3 && std::strcmp(argv[1], "--ico") == 0;
    if (argc != 2 && !ico) {
        std::fprintf(stderr, "usage: render-icon OUTDIR | render-icon --ico FILE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (ico) {
        if (!WriteIco(QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "render-icon: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
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
