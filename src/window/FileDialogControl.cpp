#include "window/FileDialogControl.h"

#include "window/CheckedFileDialog.h"

namespace rimvista {

QStringList FileDialogControl::nameFilters(const QString& filter) {
    QStringList result;
    if (filter.isEmpty()) return result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'))) {
            const QString pattern = p.trimmed();
            if (pattern.isEmpty()) continue;
            // "*.*" means every file, also those without a dot in their name.
            patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        // Qt reads the patterns from the last bracket pair; a description that already holds
        // one, such as "Pictures (*.bmp;*.jpg)", stays as it is in front of it.
        result << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(),
                                                patterns.join(QLatin1Char(' ')));
    }
    return result;
}

bool FileDialogControl::ShowOpen(QWidget* parent) {
    return show(parent, false);
}
bool FileDialogControl::ShowSave(QWidget* parent) {
    return show(parent, true);
}

bool FileDialogControl::show(QWidget* parent, bool save) {
    CheckedFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    // Qt's own dialog behaves the same on every desktop and can be driven by the tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The combo box shows the descriptions alone; the pattern brackets added above stay hidden.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!save && (Flags & kFileMustExist) ? QFileDialog::ExistingFile
                                                         : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(Flags & kOverwritePrompt));
    dialog.setPathMustExist(Flags & kPathMustExist);

    const QStringList filters = nameFilters(Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const qsizetype index =
            FilterIndex >= 1 && FilterIndex <= filters.size() ? FilterIndex - 1 : 0;
        dialog.selectNameFilter(filters[index]);
    }
    dialog.setDefaultSuffix(DefaultExt);
    if (!InitDir.isEmpty()) dialog.setDirectory(InitDir);
    // A full path also moves the dialog to the file's own folder.
    if (!FileName.isEmpty()) dialog.selectFile(FileName);

    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    FileName = chosen.first();
    if (!filters.isEmpty()) {
        const qsizetype picked = filters.indexOf(dialog.selectedNameFilter());
        if (picked >= 0) FilterIndex = static_cast<int>(picked) + 1;
    }
    return true;
}

}  // namespace rimvista
