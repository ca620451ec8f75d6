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
#include "imageio/KeptMetadata.h"
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

Result<WindowPicture> loadWithBusyCursor(const QString& path) {
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

// A file named on the command line opens when a drop of it would, and also when its contents
// are BMP or JPEG under another name: desktops pass the program every image/jpeg file, ".jfif"
// and ".jpe" ones and names without an extension included.
Result<WindowPicture> readNamedFile(const QString& path) {
    if (!qualifiesForDrop(path)) {
        if (auto contents = checkWindowContents(fsName(path)); !contents) return contents.error();
    }
    return loadWithBusyCursor(path);
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
    // Asked before the dialog, as desktop editors ask before theirs: the save it may lead to
    // proposes the current picture's name. (A drop has its picture before it asks.)
    if (!mayDiscardPicture()) return;
    const QString oldPicture = PictureFile, oldData = DataFolder, oldSave = SaveFile;
    if (!SelectOpenFile()) return;
    Result<WindowPicture> loaded = loadWithBusyCursor(PictureFile);
    if (!loaded) {
        // The fields name a picture that is not shown; give them back to the one that is.
        PictureFile = oldPicture;
        DataFolder = oldData;
        SaveFile = oldSave;
        showMessage(this, failureText(kOpenFailed, loaded.error()));
        return;
    }
    pictureLoaded(std::move(loaded->pixels), std::move(loaded->metadata));
    tellDamage(loaded->damage);
}

void FrmMain::tellDamage(const std::optional<Error>& damage) {
    if (damage) showMessage(this, failureText(kOpenedDamaged, *damage));
}

bool FrmMain::acceptsDrop(const QMimeData* dropData) const {
    const std::optional<QString> path = singleDroppedFile(dropData);
    return path && qualifiesForDrop(*path);
}

void FrmMain::replaceWithDropped(const QString& path, WindowPicture&& picture) {
    // Asked only now that the new picture is ready: a file that cannot be read never puts the
    // current work in question.
    if (!mayDiscardPicture()) return;
    pictureLoaded(std::move(picture.pixels), std::move(picture.metadata));
    tellDamage(picture.damage);
    // The path keeps its own letter case: on a case-sensitive file system a lower-cased copy
    // would name another file, or none.
    DataFolder = GetFolderName(path);
    SaveFile = ProposedSavePath(path);
    PictureFile = path;
}

void FrmMain::pictureDropped(const QMimeData* dropData) {
    // Taken from the drag before anything modal runs: the drag's data need not outlive it.
    const std::optional<QString> path = singleDroppedFile(dropData);
    try {
        if (path) {
            if (Result<WindowPicture> loaded = loadWithBusyCursor(*path)) {
                replaceWithDropped(*path, std::move(*loaded));
                return;
            }
        }
    } catch (const std::exception&) {
        // Falls through to the message: a drop never ends the program.
    }
    showMessage(this, kDropError);
}

void FrmMain::openCommandLineFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    Error failure = Error::of(ErrorKind::Unexpected);
    try {
        Result<WindowPicture> loaded = readNamedFile(absolute);
        if (loaded) {
            replaceWithDropped(absolute, std::move(*loaded));
            return;
        }
        failure = loaded.error();
    } catch (const std::exception& e) {
        failure.saying(e.what());
    }
    // Unlike a refused drag, the user may not see which file was meant, nor why it failed.
    showMessage(this,
                failureText(kNamedFileNotOpened.arg(QDir::toNativeSeparators(absolute)), failure));
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
        // The window writes in colour (JPEG at 4:4:4), so a grey profile does not fit it.
        files::PictureExtras extras;
        extras.metadata = m_metadata;
        files::fitMetadataToCopy(extras.metadata, *format, /*greyOutput=*/false);
        // The writers replace the target only once the new file is complete. JPEG is always
        // written at quality 100 without chroma subsampling here.
        saved =
            format->write(Picture1->picture(), target,
                          files::Encoding{.quality = 100,
                                          .sampling = files::ChromaSampling::S444,
                                          .extras = extras.metadata.empty() ? nullptr : &extras});
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
