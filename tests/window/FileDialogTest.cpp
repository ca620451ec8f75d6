// ShowOpen and ShowSave through the real file dialog.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <thread>

#include "DialogAnswers.h"
#include "window/C_CommonDialog.h"
#include "window/CommonDialogSupport.h"

namespace rimvista::test {
namespace {

const QString kPictures = QStringLiteral("画像ファイル (*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg");

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    void touch(const QString& name) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QTemporaryDir m_dir;
    C_CommonDialog m_dlg;
};

TEST_F(FileDialogTest, FiltersTitleAndFolderReachTheDialog) {
    m_dlg.Filter("すべて|*.*|" + kPictures);
    m_dlg.FilterIndex(2);
    m_dlg.InitDir(m_dir.path());
    m_dlg.DialogTitle(QStringLiteral("写真を選ぶ"));
    QString title, folder, applied;
    QStringList listed;
    auto look = [&](QFileDialog* d) {
        title = d->windowTitle();
        folder = d->directory().path();
        listed.clear();
        auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; types && i < types->count(); ++i) listed << types->itemText(i);
        // the patterns as the dialog applies them to its listing
        if (auto* model = d->findChild<QFileSystemModel*>())
            applied = model->nameFilters().join(',');
    };
    {
        ModalAnswer answer = answerFileDialog({}, look);
        m_dlg.ShowOpen();
    }
    EXPECT_EQ(title, QStringLiteral("写真を選ぶ"));
    EXPECT_EQ(folder, m_dir.path());
    EXPECT_EQ(listed, (QStringList{"すべて", "画像ファイル (*.bmp;*.jpg;*.jpeg)"}));
    EXPECT_EQ(applied, "*.bmp,*.jpg,*.jpeg");

    m_dlg.Filter(QString());
    {
        ModalAnswer answer = answerFileDialog({}, look);
        m_dlg.ShowOpen();
    }
    EXPECT_TRUE(listed.isEmpty());
    // A description without patterns, or an empty item, ends the list.
    EXPECT_EQ(comdlg::toNameFilters("A|*.a; *.b|B").join('/'), "A (*.a *.b)");
    EXPECT_EQ(comdlg::toNameFilters("A|*.a||*.b|C|*.c").size(), 1);
    // "*.*" is every file, also one without a dot.
    EXPECT_EQ(comdlg::toNameFilters("All|*.*").join('/'), "All (*)");
}

TEST_F(FileDialogTest, ConfirmedOpenGivesFullPathAndTitleAndLeavesAction) {
    touch("a.jpg");
    m_dlg.InitDir(m_dir.path());
    m_dlg.flags(4100);
    ModalAnswer answer = answerFileDialog("a.jpg");
    m_dlg.ShowOpen();
    EXPECT_EQ(m_dlg.FileName(), path("a.jpg"));
    EXPECT_EQ(m_dlg.FileTitle(), "a.jpg");
    EXPECT_NE(m_dlg.APIReturn(), 0);
    EXPECT_EQ(m_dlg.ExtendedError(), 0);
    EXPECT_EQ(m_dlg.Action(), 0);
}

TEST_F(FileDialogTest, CancelLeavesTheCancelMarkOnlyWhenCancelErrorIsSet) {
    m_dlg.CancelError(true);
    m_dlg.InitDir(m_dir.path());
    m_dlg.FileName("first.bmp");
    m_dlg.DefaultExt("bmp");
    {
        ModalAnswer answer = answerFileDialog({});
        m_dlg.ShowSave();
    }
    EXPECT_EQ(m_dlg.FileName(), "_Cancel");
    EXPECT_EQ(m_dlg.APIReturn(), 0);
    EXPECT_EQ(m_dlg.ExtendedError(), 0);

    QString startName;
    {
        ModalAnswer answer = answerFileDialog("framed", [&](QFileDialog* d) {
            startName = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        });
        m_dlg.ShowSave();
    }
    EXPECT_EQ(startName, "_Cancel");
    EXPECT_EQ(m_dlg.FileName(), path("framed.bmp"));  // DefaultExt added to the typed name

    m_dlg.CancelError(false);
    ModalAnswer answer = answerFileDialog({});
    m_dlg.ShowOpen();
    EXPECT_EQ(m_dlg.FileName(), path("framed.bmp"));
    EXPECT_EQ(m_dlg.APIReturn(), 0);
}

TEST_F(FileDialogTest, PathLongerThanTheBufferFailsLikeACancel) {
    // Without MaxFileSize the buffer holds 255 characters: paths up to 254 fit.
    const QString fits = QString(248 - m_dir.path().size(), QLatin1Char('n')) + "x.bmp";
    const QString tooLong = "m" + fits;
    touch(fits);
    touch(tooLong);
    ASSERT_EQ(path(fits).size(), 254);
    m_dlg.InitDir(m_dir.path());
    m_dlg.CancelError(true);
    auto choose = [this](const QString& name) {
        ModalAnswer answer = answerFileDialog(name);
        m_dlg.ShowOpen();
    };
    choose(fits);
    EXPECT_EQ(m_dlg.FileName(), path(fits));
    choose(tooLong);
    EXPECT_EQ(m_dlg.APIReturn(), 0);
    EXPECT_EQ(m_dlg.ExtendedError(), cderr::kBufferTooSmall);
    EXPECT_EQ(m_dlg.FileName(), "_Cancel");

    m_dlg.MaxFileSize(static_cast<std::int32_t>(path(tooLong).size()));
    m_dlg.CancelError(false);
    m_dlg.FileName("before");
    choose(tooLong);
    EXPECT_EQ(m_dlg.ExtendedError(), cderr::kBufferTooSmall);
    EXPECT_EQ(m_dlg.FileName(), "before");
    m_dlg.MaxFileSize(static_cast<std::int32_t>(path(tooLong).size() + 1));
    choose(tooLong);
    EXPECT_EQ(m_dlg.FileName(), path(tooLong));
}

TEST_F(FileDialogTest, ShowingFromAnotherThreadFailsQuietly) {
    m_dlg.CancelError(true);
    bool raised = false;
    std::thread worker([&] {
        m_dlg.ShowOpen();
        try {
            m_dlg.ShowColor();
        } catch (...) {
            raised = true;
        }
    });
    worker.join();
    EXPECT_FALSE(raised);  // a dialog that cannot be shown is no cancel
    EXPECT_EQ(m_dlg.FileName(), "_Cancel");
    EXPECT_EQ(m_dlg.APIReturn(), 0);
    EXPECT_NE(m_dlg.ExtendedError(), 0);
}

}  // namespace
}  // namespace rimvista::test
