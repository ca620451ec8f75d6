#pragma once
// Driving the window's file commands: real picture files in the test's folder, the file dialog
// answered from a timer, drags built as the desktop would send them.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <functional>

#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"
#include "support/ModalAnswer.h"
#include "support/TestPictures.h"
#include "support/WindowFixture.h"
#include "window/PictureBox.h"

namespace rimvista::test {

class FileWindowTest : public WindowTest {
protected:
    // A folder below the test's own, created when missing.
    QString folder(const QString& name) {
        QDir(m_dir.path()).mkpath(name);
        return m_dir.filePath(name);
    }
    QString writeBmp(const QString& path, const PixelSurface& picture) {
        EXPECT_TRUE(files::saveBmp(picture, path.toStdString()).ok()) << path.toStdString();
        return path;
    }
    QString writeJpeg(const QString& path, const PixelSurface& picture) {
        EXPECT_TRUE(files::saveJpeg(picture, path.toStdString(), 100).ok());
        return path;
    }
    QString writeText(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Answers the next file dialog with `handler`, which finds the dialog as the user sees it.
    static std::unique_ptr<ModalAnswer> onFileDialog(std::function<void(QFileDialog*)> handler) {
        return std::make_unique<ModalAnswer>([handler](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog) {
                ADD_FAILURE() << "expected the file dialog, got " << w->metaObject()->className();
                w->close();
                return;
            }
            EXPECT_EQ(dialog->objectName(), "CommonDialog1");
            handler(dialog);
        });
    }
    static QLineEdit* nameBox(QFileDialog* dialog) {
        return dialog->findChild<QLineEdit*>("fileNameEdit");
    }
    // Types a name into the dialog and presses its accept button.
    static void choose(QFileDialog* dialog, const QString& name) {
        QLineEdit* edit = nameBox(dialog);
        if (!edit) {
            ADD_FAILURE() << "the dialog has no name box";
            dialog->reject();
            return;
        }
        // Typing replaces whatever the list had selected (the dialog only deselects while the
        // name box has the focus, which an offscreen window may not give it).
        for (auto* view : dialog->findChildren<QAbstractItemView*>())
            if (view->selectionModel()) view->selectionModel()->clearSelection();
        edit->setText(name);
        auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
        QPushButton* ok = buttons ? buttons->button(dialog->acceptMode() == QFileDialog::AcceptSave
                                                        ? QDialogButtonBox::Save
                                                        : QDialogButtonBox::Open)
                                  : nullptr;
        if (!ok || !ok->isEnabled()) {
            ADD_FAILURE() << "the dialog's accept button cannot be pressed";
            dialog->reject();
            return;
        }
        ok->click();
    }
    // Chooses `name` in the file dialog that the button opens, answering yes when the dialog
    // asks before replacing a file, and then answers the message box that follows, if any.
    ShownBox chooseWith(const QString& button, const QString& name, bool confirmReplace = false) {
        std::unique_ptr<MessageBoxAnswer> message;
        auto answer = onFileDialog([&](QFileDialog* d) {
            std::unique_ptr<ModalAnswer> yes;
            if (confirmReplace) {
                yes = std::make_unique<ModalAnswer>([](QWidget* w) {
                    auto* box = qobject_cast<QMessageBox*>(w);
                    if (box && box->button(QMessageBox::Yes))
                        box->button(QMessageBox::Yes)->click();
                    else
                        ADD_FAILURE() << "no question before replacing the file";
                });
            }
            choose(d, name);
            if (yes) {
                EXPECT_TRUE(yes->answered());
            }
            // Only now: while the file dialog was up it was the modal window to be found.
            message = std::make_unique<MessageBoxAnswer>();
        });
        click(button);
        EXPECT_TRUE(answer->answered());
        return message ? message->box() : ShownBox{};
    }
    ShownBox openThroughDialog(const QString& path) { return chooseWith("cmdOpen", path); }
    ShownBox saveThroughDialog(const QString& name) { return chooseWith("cmdSave", name); }

    // Largest difference of any colour channel; -1 when the sizes differ. The reserved byte is
    // not part of a picture file.
    static int colourDistance(const PixelSurface& a, const PixelSurface& b) {
        if (a.width() != b.width() || a.height() != b.height()) return -1;
        int worst = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                const Pixel p = a.row(y)[x], q = b.row(y)[x];
                worst = std::max({worst, std::abs(p.blue - q.blue), std::abs(p.green - q.green),
                                  std::abs(p.red - q.red)});
            }
        }
        return worst;
    }
    static PixelSurface readBack(const QString& path) {
        files::LoadResult r = files::loadPicture(path.toStdString());
        EXPECT_TRUE(r.ok()) << debugText(r.error());
        return r ? std::move(*r) : PixelSurface();
    }

    static std::unique_ptr<QMimeData> filesData(const QStringList& paths) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data->setUrls(urls);
        return data;
    }
    // Drag-enter and drag-move over `target`; true when both would let the data drop as a copy.
    static bool dragOver(QWidget* target, const QMimeData* data) {
        const QPoint at(2, 2);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        const bool entered = enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
        const bool moved = move.isAccepted() && move.dropAction() == Qt::CopyAction;
        EXPECT_EQ(entered, moved);
        return entered && moved;
    }
    // Drops the files on `target` and answers the message box that follows, if any.
    static ShownBox drop(QWidget* target, const QStringList& paths) {
        const auto data = filesData(paths);
        EXPECT_TRUE(dragOver(target, data.get()));
        MessageBoxAnswer message;
        QDropEvent event(QPointF(2, 2), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
        return message.box();
    }
};

}  // namespace rimvista::test
