// Opening, dropping and saving pictures; the file dialogs and path fields.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <exception>

#include "imageio/PictureFormats.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"
#include "window/BusyCursor.h"
#include "window/DropTarget.h"
#include "window/FileDialogControl.h"
#include "window/FileFilters.h"
#include "window/FrmMain.h"
#include "window/Messages.h"
#include "window/PathFunctions.h"
#include "window/PictureBox.h"
#include "window/QtText.h"
#include "window/Viewport.h"

namespace rimvista {

namespace {

files::LoadResult loadWithBusyCursor(const QString& path) {
    BusyCursor busy;
    return files::loadPicture(fsName(path));
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
            path ? loadWithBusyCursor(*path) : files::LoadResult::failure("no file");
        if (loaded.ok()) {
            window.pictureLoaded(std::move(loaded.picture));
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
    showMessage(&window, QStringLiteral("Drop Error"));
}

const QString kSaveFilter = QStringLiteral("BMPファイル (*.bmp)|*.bmp|JPGファイル(*.jpg)|*.jpg");
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
    dlg.Filter = kPictureOpenFilter;
    dlg.FilterIndex = 1;
    if (!dlg.ShowOpen(this)) return false;
    PictureFile = dlg.FileName;
    DataFolder = GetFolderName(PictureFile);
    SaveFile = ProposedSavePath(PictureFile);
    return true;
}

bool FrmMain::SelectSaveFile() {
    FileDialogControl& dlg = CommonDialog1();
    const bool jpeg = files::lastThreeLower(fsName(PictureFile)) == "jpg";
    dlg.FilterIndex = jpeg ? 2 : 1;
    dlg.DefaultExt = jpeg ? QStringLiteral("jpg") : QStringLiteral("bmp");
    dlg.Filter = kSaveFilter;
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
    if (!loaded.ok()) {
        // The fields name a picture that is not shown; give them back to the one that is.
        PictureFile = oldPicture;
        DataFolder = oldData;
        SaveFile = oldSave;
        showMessage(this,
                    QStringLiteral("開けませんでした。\n") + QString::fromStdString(loaded.error));
        return;
    }
    pictureLoaded(std::move(loaded.picture));
}

bool FrmMain::acceptsDrop(const QMimeData* dropData) const {
    const std::optional<QString> path = singleDroppedFile(dropData);
    if (!path) return false;
    const QString tail = path->right(4).toLower();
    return tail == QLatin1String(".bmp") || tail == QLatin1String(".jpg") ||
           tail == QLatin1String("jpeg");
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
        showMessage(this, QStringLiteral("Drop Error"));
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
    const files::SaveFormat format = files::saveFormatOf(target);
    if (format == files::SaveFormat::Unknown) {
        showMessage(this, QStringLiteral("拡張子が不正です。"));
        return false;
    }
    std::optional<std::string> failure;
    try {
        BusyCursor busy;
        // Both writers replace the target only once the new file is complete.
        failure = format == files::SaveFormat::Bmp
                      ? files::saveBmp(Picture1->picture(), target)
                      : files::saveJpeg(Picture1->picture(), target, 100);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (failure) {
        showMessage(this,
                    QStringLiteral("保存できませんでした。\n") + QString::fromStdString(*failure));
        return false;
    }
    markSaved();
    return true;
}

}  // namespace rimvista
