// The open and save dialog procedures built on the common dialog wrapper.
#include "window/C_CommonDialog.h"
#include "window/FrmMain.h"
#include "window/WindowFormats.h"

namespace rimvista {

namespace {

constexpr std::int32_t kSaveFlags = 4;  // hide read-only

// A dialog that did not confirm (cancelled, failed or stopped part-way) chose nothing, even
// where it left a FileName other than "_Cancel".
bool confirmed(const C_CommonDialog& dlg) {
    return dlg.FileName() != kCancelFileName && dlg.APIReturn() != 0;
}

}  // namespace

C_CommonDialog& FrmMain::ComDlg() {
    if (!m_comDlg) m_comDlg = std::make_unique<C_CommonDialog>();
    return *m_comDlg;
}

bool FrmMain::ComDlgOpenFile() {
    try {
        C_CommonDialog& dlg = ComDlg();
        dlg.CancelError(true);
        dlg.hwndOwner(static_cast<std::int32_t>(winId()));
        dlg.InitDir(DataFolder);
        dlg.FileName(PictureFile);
        dlg.flags(kPictureOpenFlags);
        dlg.Filter(openFilter());
        dlg.FilterIndex(1);
        dlg.ShowOpen();
        if (!confirmed(dlg)) return false;
        PictureFile = dlg.FileName();
        DataFolder = GetFolderName(PictureFile);
        SaveFile = ProposedSavePath(PictureFile);
        return true;
    } catch (...) {
        return false;
    }
}

bool FrmMain::ComDlgSaveFile() {
    try {
        C_CommonDialog& dlg = ComDlg();
        dlg.CancelError(true);
        dlg.hwndOwner(static_cast<std::int32_t>(winId()));
        dlg.FileName(SaveFile);
        dlg.InitDir(SaveFolder);
        dlg.flags(kSaveFlags);
        dlg.Filter(ownExtensionsFilter());
        dlg.FilterIndex(1);
        dlg.ShowSave();
        if (!confirmed(dlg)) return false;
        dlg.FileName(AddExtension(dlg.FileName()));
        SaveFile = dlg.FileName();
        SaveFolder = GetFolderName(SaveFile);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace rimvista
