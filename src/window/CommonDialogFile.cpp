// ShowOpen and ShowSave.
#include <QFileInfo>

#include "window/C_CommonDialog.h"
#include "window/CheckedFileDialog.h"
#include "window/CommonDialogSupport.h"

namespace rimvista {

namespace {

constexpr std::int32_t kDefaultBufferSize = 255;
constexpr std::int32_t kOverwritePrompt = 0x2;
constexpr std::int32_t kPathMustExist = 0x800;
constexpr std::int32_t kFileMustExist = 0x1000;

void applyFilters(QFileDialog& dialog, const QString& filter, std::int16_t filterIndex) {
    const QStringList filters = comdlg::toNameFilters(filter);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size()) {
        dialog.selectNameFilter(filters[filterIndex - 1]);
    }
}

void applyFlags(CheckedFileDialog& dialog, std::int32_t flags) {
    dialog.setFileMode((flags & kFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(flags & kOverwritePrompt));
    dialog.setPathMustExist(flags & kPathMustExist);
}

}  // namespace

void C_CommonDialog::ShowOpen() {
    ShowFileDialog(FileDialogKind::Open);
}

void C_CommonDialog::ShowSave() {
    ShowFileDialog(FileDialogKind::Save);
}

void C_CommonDialog::ShowFileDialog(FileDialogKind kind) {
    m_apiReturn = 0;
    m_extendedError = 0;
    Outcome outcome = Outcome::Aborted;
    try {
        outcome = runFileDialog(kind);
    } catch (...) {
        return;  // the fields stay as far as they were set
    }
    // A failed dialog reads like a cancel, so callers testing for "_Cancel" never take a
    // failure for a chosen file.
    if (outcome != Outcome::Confirmed && m_cancelError) m_fileName = kCancelFileName;
}

C_CommonDialog::Outcome C_CommonDialog::runFileDialog(FileDialogKind kind) {
    // The longest path the caller accepts is one character less than the buffer it names.
    const std::int32_t bufferSize = m_maxFileSize > 0 ? m_maxFileSize : kDefaultBufferSize;
    if (!comdlg::dialogsAvailable()) {
        m_extendedError = cderr::kInitialization;
        return Outcome::Failed;
    }
    CheckedFileDialog dialog(comdlg::ownerWidget(m_hwndOwner));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(kind == FileDialogKind::Save ? QFileDialog::AcceptSave
                                                      : QFileDialog::AcceptOpen);
    applyFlags(dialog, m_flags);
    applyFilters(dialog, m_filter, m_filterIndex);
    if (!m_dialogTitle.isEmpty()) dialog.setWindowTitle(m_dialogTitle);
    if (!m_initDir.isEmpty()) dialog.setDirectory(m_initDir);
    // A FileName with a folder overrides InitDir, as the dialog opens where the file is.
    if (!m_fileName.isEmpty()) dialog.selectFile(m_fileName);
    dialog.setDefaultSuffix(m_defaultExt);

    if (dialog.exec() != QDialog::Accepted) return Outcome::Cancelled;
    const QString path = dialog.selectedFiles().value(0);
    if (path.size() > bufferSize - 1) {
        m_extendedError = cderr::kBufferTooSmall;
        return Outcome::Failed;
    }
    m_apiReturn = 1;
    m_fileName = path;
    m_fileTitle = QFileInfo(path).fileName();
    return Outcome::Confirmed;
}

}  // namespace rimvista
