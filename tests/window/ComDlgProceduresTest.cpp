// ComDlgOpenFile and ComDlgSaveFile of the main window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>

#include "DialogAnswers.h"
#include "support/WindowFixture.h"
#include "window/C_CommonDialog.h"

namespace rimvista::test {
namespace {

struct SeenDialog {
    QWidget* parent = nullptr;
    QString folder, name, filter;
};

// Answers the file dialog with `name` (cancels when empty), recording what it showed.
ModalAnswer answerWith(SeenDialog& seen, const QString& name) {
    return answerFileDialog(name, [&seen](QFileDialog* d) {
        seen.parent = d->parentWidget();
        seen.folder = d->directory().path();
        seen.name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        seen.filter = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
    });
}

class ComDlgProceduresTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(QDir(m_dir.path()).mkpath("in"));
        ASSERT_TRUE(QDir(m_dir.path()).mkpath("out"));
        QFile picture(in + "/photo.jpg");
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
        FrmMain& w = openWindow();
        w.DataFolder = in;
        w.SaveFolder = out;
        w.PictureFile.clear();
        w.SaveFile.clear();
    }
    const QString in = tempPath("in");
    const QString out = tempPath("out");
};

TEST_F(ComDlgProceduresTest, OpenFileSetsPictureFoldersAndProposedSavePath) {
    FrmMain& w = *m_window;
    SeenDialog seen;
    {
        ModalAnswer answer = answerWith(seen, "photo.jpg");
        EXPECT_TRUE(w.ComDlgOpenFile());
    }
    EXPECT_EQ(seen.parent, &w);
    EXPECT_EQ(w.ComDlg().hwndOwner(), static_cast<std::int32_t>(w.winId()));
    EXPECT_EQ(seen.folder, in);
    EXPECT_EQ(seen.filter, QStringLiteral("画像ファイル (*.bmp;*.jpg;*.jpeg)"));
    EXPECT_EQ(w.PictureFile, in + "/photo.jpg");
    EXPECT_EQ(w.DataFolder, in);
    EXPECT_EQ(w.SaveFile, out + "/photo.jpg");

    w.DataFolder = out;
    {
        ModalAnswer answer = answerWith(seen, {});
        EXPECT_FALSE(w.ComDlgOpenFile());
    }
    EXPECT_EQ(seen.name, "photo.jpg");  // starts from the picture's own path
    EXPECT_EQ(seen.folder, in);
    EXPECT_EQ(w.PictureFile, in + "/photo.jpg");
    EXPECT_EQ(w.DataFolder, out);
    EXPECT_EQ(w.SaveFile, out + "/photo.jpg");
}

TEST_F(ComDlgProceduresTest, SaveFileAddsExtensionAndMovesSaveFolder) {
    FrmMain& w = *m_window;
    w.PictureFile = in + "/photo.jpg";
    w.SaveFile = out + "/photo.jpg";
    SeenDialog seen;
    {
        ModalAnswer answer = answerWith(seen, in + "/framed");
        EXPECT_TRUE(w.ComDlgSaveFile());
    }
    EXPECT_EQ(seen.folder, out);
    EXPECT_EQ(seen.name, "photo.jpg");
    EXPECT_EQ(seen.filter, QStringLiteral("画像ファイル (*.bmp;*.jpg)"));
    EXPECT_EQ(w.SaveFile, in + "/framed.jpg");  // the picture is a JPEG
    EXPECT_EQ(w.SaveFolder, in);

    {
        ModalAnswer answer = answerWith(seen, {});
        EXPECT_FALSE(w.ComDlgSaveFile());
    }
    EXPECT_EQ(w.SaveFile, in + "/framed.jpg");
    EXPECT_EQ(w.SaveFolder, in);
}

}  // namespace
}  // namespace rimvista::test
