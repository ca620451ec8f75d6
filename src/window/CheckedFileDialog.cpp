#include "window/CheckedFileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include "window/Messages.h"

namespace rimvista {

std::optional<QString> CheckedFileDialog::missingFolder(const QString& chosen) {
    const QFileInfo info(chosen);
    if (info.isDir()) return std::nullopt;  // the dialog goes into a typed folder
    const QString folder = info.absolutePath();
    if (QFileInfo(folder).isDir()) return std::nullopt;
    return QDir::toNativeSeparators(folder);
}

void CheckedFileDialog::accept() {
    if (m_pathMustExist) {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty()) {
            if (const auto folder = missingFolder(chosen.first())) {
                QMessageBox::warning(this, windowTitle(), kMissingFolder.arg(*folder));
                return;
            }
        }
    }
    QFileDialog::accept();
}

}  // namespace rimvista
