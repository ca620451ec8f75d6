#include "window/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/SettingsPath.h"

namespace rimvista {

QString defaultSettingsPath() {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString path =
        QFile::decodeName(settingsFileFor(QFile::encodeName(exe.absolutePath()).toStdString(),
                                          QFile::encodeName(exe.completeBaseName()).toStdString())
                              .c_str());
    // The user's configuration folder may not exist yet; the first write needs it.
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}

}  // namespace rimvista
