#include "app/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace rimvista {

QString defaultSettingsPath() {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString beside = exe.absolutePath() + "/" + exe.completeBaseName() + ".ini";
    if (QFileInfo::exists(beside)) return beside;
    if (::access(QFile::encodeName(exe.absolutePath()).constData(), W_OK) == 0) return beside;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return config + "/" + exe.completeBaseName() + ".ini";
}

}  // namespace rimvista
