#include "platform/qt/QtProcessLauncher.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

bool QtProcessLauncher::StartDetached(const std::string& program,
                                      const std::vector<std::string>& arguments) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(arguments.size()));
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    // The path comes as the file system's bytes.
    return QProcess::startDetached(QFile::decodeName(QByteArray::fromStdString(program)), list);
}
