#pragma once
// Between Qt's strings and the plain C++ subsystems: UTF-8 text, and file names in the file
// system's own encoding.

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace rimvista {

inline std::string toUtf8(const QString& s) {
    return s.toStdString();
}
inline QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

inline std::string fsName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
inline QString fromFsName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace rimvista
