// Opening, dropping and saving pictures; the file dialogs and path fields.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <exception>

#include "imageio/FormatRegistry.h"
#include "window/BusyCursor.h"
#include "window/DropTarget.h"
#include "window/FileDialogControl.h"
#include "window/FrmMain.h"
#include "window/Messages.h"
#include "window/PathFunctions.h"
#include "window/PictureBox.h"
#include "window/QtPictureReader.h"
#include "window/QtText.h"
#include "window/Viewport.h"
#include "window/WindowFormats.h"

namespace rimvista {

namespace {

files::LoadResult loadWithBusyCursor(const QString& path) {
    BusyCursor busy;
    return loadWindowPicture(fsName(path));
}

// The single local file a drag carries, or nothing.
std::optional<QString> singleDroppedFile(const QMimeData* dropData) {
    if (!dropData || !dropData->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = dropData->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return std::nullopt;
    const QString path = urls.first().toLocalFile();
    if (path.isEmpty()) return std::nullopt;
    return path;
}

// Loads `path` (nothing: a drop that carried no usable file) with the drop's steps and message.
void openAsDropped(FrmMain& window, const std::optional<QString>& path) {
    try {
        files::LoadResult loaded =
            path ? loadWithBusyCursor(*path) : Error::of(ErrorKind::NoSuchFile);
        if (loaded) {
            window.pictureLoaded(std::move(*loaded));
            // The path keeps its own letter case: on a case-sensitive file system a lower-cased
            // copy would name another file, or none.
            window.DataFolder = window.GetFolderName(*path);
            window.SaveFile = window.ProposedSavePath(*path);
            window.PictureFile = *path;
            return;
        }
    } catch (const std::exception&) {
        // Falls through to the message: a drop never ends the program.
    }
    showMessage(&window, kDropError);
}

constexpr long kSaveFlags = 2099206;

}  // namespace

void FrmMain::connectFileHandlers() {
    connect(cmdOpen, &QPushButton::clicked, this, &FrmMain::cmdOpen_Click);
    connect(cmdSave, &QPushButton::clicked, this, &FrmMain::cmdSave_Click);
    auto* drops = new DropTarget(this);
    drops->attach(picCont);
    drops->attach(Picture1);
}

FileDialogControl& FrmMain::CommonDialog1() {
    if (!m_commonDialog1) m_commonDialog1 = std::make_unique<FileDialogControl>();
    return *m_commonDialog1;
}

QString FrmMain::GetFolderName(const QString& path) const {
    return fromFsName(paths::GetFolderName(fsName(path), fsName(AppFolder())));
}

QString FrmMain::AddExtension(const QString& name) const {
    return fromFsName(paths::AddExtension(fsName(name), fsName(PictureFile)));
}

QString FrmMain::ProposedSavePath(const QString& picture) const {
    return fromFsName(paths::proposedSavePath(fsName(SaveFolder), fsName(picture)));
}

bool FrmMain::SelectOpenFile() {
    FileDialogControl& dlg = CommonDialog1();
    dlg.CancelError = true;
    dlg.InitDir = DataFolder;
    dlg.FileName = PictureFile;
    dlg.Flags = kPictureOpenFlags;
    dlg.Filter = openFilter();
    dlg.FilterIndex = 1;
    if (!dlg.ShowOpen(this)) return false;
    PictureFile = dlg.FileName;
    DataFolder = GetFolderName(PictureFile);
    SaveFile = ProposedSavePath(PictureFile);
    return true;
}

bool FrmMain::SelectSaveFile() {
    FileDialogControl& dlg = CommonDialog1();
    const auto [format, filterIndex] = proposedSaveFormat(fsName(PictureFile));
    dlg.FilterIndex = filterIndex;
    const std::string_view extension = format->primaryExtension();
    dlg.DefaultExt = QString::fromLatin1(extension.data(), qsizetype(extension.size()));
    dlg.Filter = saveFilter();
    dlg.CancelError = true;
    dlg.FileName = SaveFile;
    dlg.InitDir = SaveFolder;
    dlg.Flags = kSaveFlags;
    if (!dlg.ShowSave(this)) return false;
    dlg.FileName = AddExtension(dlg.FileName);
    SaveFile = dlg.FileName;
    SaveFolder = GetFolderName(SaveFile);
    return true;
}

void FrmMain::cmdOpen_Click() {
    // Asked before the dialog: the save it may lead to proposes the current picture's name.
    if (!mayDiscardPicture()) return;
    const QString oldPicture = PictureFile, oldData = DataFolder, oldSave = SaveFile;
    if (!SelectOpenFile()) return;
    files::LoadResult loaded = loadWithBusyCursor(PictureFile);
    if (!loaded) {
        // The fields name a picture that is not shown; give them back to the one that is.
        PictureFile = oldPicture;
        DataFolder = oldData;
        SaveFile = oldSave;
        showMessage(this, failureText(kOpenFailed, loaded.error()));
        return;
    }
    pictureLoaded(std::move(*loaded));
}

bool FrmMain::acceptsDrop(const QMimeData* dropData) const {
    const std::optional<QString> path = singleDroppedFile(dropData);
    return path && qualifiesForDrop(*path);
}

void FrmMain::pictureDropped(const QMimeData* dropData) {
    if (!mayDiscardPicture()) return;
    openAsDropped(*this, singleDroppedFile(dropData));
}

void FrmMain::openCommandLineFile(const QString& path) {
    // The same test a drag passes before it may drop; a file named on the command line that
    // fails it is reported, as the user cannot see a refused drag there.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath())});
    if (!acceptsDrop(&dropped)) {
        showMessage(this, kDropError);
        return;
    }
    pictureDropped(&dropped);
}

void FrmMain::cmdSave_Click() {
    savePicture();
}

bool FrmMain::savePicture() {
    QDir::setCurrent(AppFolder());
    if (!SelectSaveFile()) return false;
    const std::string target = fsName(SaveFile);
    const files::PictureFormat* format = saveFormatOf(target);
    if (!format) {
        showMessage(this, kBadExtension);
        return false;
    }
    Result<void> saved;
    try {
        BusyCursor busy;
        // The writers replace the target only once the new file is complete. JPEG is always
        // written at quality 100 here.
        saved = format->write(Picture1->picture(), target, files::Encoding{.quality = 100});
    } catch (const std::exception& e) {
        saved = Error::of(ErrorKind::Unexpected).saying(e.what());
    }
    if (!saved) {
        showMessage(this, failureText(kSaveFailed, saved.error()));
        return false;
    }
    markSaved();
    return true;
}

}  // namespace rimvista
