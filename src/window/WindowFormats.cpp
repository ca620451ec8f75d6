#include "window/WindowFormats.h"

#include <QStringList>
#include <algorithm>

#include "window/Messages.h"

namespace rimvista {

namespace {

QString pattern(std::string_view extension) {
    return QStringLiteral("*.") +
           QString::fromLatin1(extension.data(), qsizetype(extension.size()));
}

// "LABEL(PATTERNS)|PATTERNS", the platform's filter entry.
QString filterEntry(const QString& label, const QStringList& patterns) {
    const QString list = patterns.join(QLatin1Char(';'));
    return label + QStringLiteral("(") + list + QStringLiteral(")|") + list;
}

}  // namespace

std::vector<const files::PictureFormat*> windowFormats() {
    std::vector<const files::PictureFormat*> formats;
    for (const auto& [id, label] : kSaveFilterLabels) formats.push_back(&files::pictureFormat(id));
    return formats;
}

std::string lastThreeLower(const std::string& path) {
    return files::lowerAscii(path.size() > 3 ? std::string_view(path).substr(path.size() - 3)
                                             : std::string_view(path));
}

const files::PictureFormat* saveFormatOf(const std::string& path) {
    const std::string tail = lastThreeLower(path);
    for (const files::PictureFormat* format : windowFormats())
        if (format->primaryExtension() == tail) return format;
    return nullptr;
}

std::pair<const files::PictureFormat*, int> proposedSaveFormat(const std::string& picturePath) {
    const auto formats = windowFormats();
    for (std::size_t i = 0; i < formats.size(); ++i)
        if (formats[i] == saveFormatOf(picturePath)) return {formats[i], int(i) + 1};
    return {formats.front(), 1};
}

bool qualifiesForDrop(const QString& path) {
    const QString tail = path.right(4).toLower();
    for (const files::PictureFormat* format : windowFormats()) {
        for (std::string_view extension : format->extensions) {
            if (tail == (QStringLiteral(".") + pattern(extension).mid(2)).right(4)) return true;
        }
    }
    return false;
}

Result<void> checkWindowContents(const std::string& path) {
    files::InputFile file;
    if (auto opened = file.open(path); !opened) return opened;
    const auto format = files::formatOfFile(file);
    if (!format) return format.error();
    const auto formats = windowFormats();
    if (std::find(formats.begin(), formats.end(), *format) == formats.end())
        return Error::of(ErrorKind::UnknownFormat);
    return {};
}

QString openFilter() {
    QStringList patterns;
    for (const files::PictureFormat* format : windowFormats())
        for (std::string_view extension : format->extensions) patterns << pattern(extension);
    return filterEntry(kPictureFilesLabel, patterns);
}

QString saveFilter() {
    QStringList entries;
    for (const auto& [id, label] : kSaveFilterLabels)
        entries << filterEntry(label, {pattern(files::pictureFormat(id).primaryExtension())});
    return entries.join(QLatin1Char('|'));
}

QString ownExtensionsFilter() {
    QStringList patterns;
    for (const files::PictureFormat* format : windowFormats())
        patterns << pattern(format->primaryExtension());
    return filterEntry(kPictureFilesLabel, patterns);
}

}  // namespace rimvista
