// Saving the shown picture as a bitmap or JPEG file.
#include <signal.h>
#include <sys/resource.h>

#include <QDir>

#include "window/FileWindowTest.h"

namespace rimvista::test {
namespace {

class SaveTest : public FileWindowTest {
protected:
    FrmMain& windowWithPicture(PixelSurface picture) {
        FrmMain& w = openWindow();
        w.SaveFolder = folder("out");
        givePicture(std::move(picture));
        return w;
    }
};

TEST_F(SaveTest, BitmapHoldsExactlyWhatIsShown) {
    FrmMain& w = windowWithPicture(randomSurface(61, 37, 11));
    click("cmdMeji");  // a frame painted into the picture must be in the file
    ASSERT_TRUE(control("cmdUndo")->isEnabled());
    // The program's folder becomes the current one, also when the dialog is cancelled.
    QDir::setCurrent(m_dir.path());
    const QString proposed = w.SaveFile;
    auto cancel = onFileDialog([](QFileDialog* d) { d->reject(); });
    click("cmdSave");
    EXPECT_TRUE(cancel->answered());
    EXPECT_EQ(QDir::currentPath(), FrmMain::AppFolder());
    EXPECT_EQ(w.SaveFile, proposed);
    EXPECT_EQ(w.SaveFolder, m_dir.filePath("out"));

    QDir::setCurrent(m_dir.path());
    EXPECT_FALSE(saveThroughDialog("framed.Bmp").shown);
    const QString saved = m_dir.filePath("out/framed.Bmp");
    EXPECT_EQ(w.SaveFile, saved);
    ASSERT_TRUE(contents(saved).startsWith("BM"));
    EXPECT_EQ(colourDistance(readBack(saved), w.Picture1->picture()), 0);
    EXPECT_EQ(QDir::currentPath(), FrmMain::AppFolder());
    EXPECT_EQ(w.FrameHistory.upperBound(), 1);  // saving leaves the history alone
}

TEST_F(SaveTest, ExtensionOtherThanBmpOrJpgIsRefused) {
    FrmMain& w = windowWithPicture(uniformSurface(10, 10, Pixel{1, 2, 3, 0}));
    const ShownBox message = saveThroughDialog("photo.jpeg");
    ASSERT_TRUE(message.shown);
    EXPECT_EQ(message.text, QStringLiteral("拡張子が不正です。"));
    EXPECT_EQ(message.title, "Rimvista");
    EXPECT_EQ(message.icon, QMessageBox::Warning);
    EXPECT_FALSE(QFile::exists(m_dir.filePath("out/photo.jpeg")));
    EXPECT_EQ(QDir(m_dir.filePath("out")).entryList(QDir::Files), QStringList{});
    // The chosen name stays proposed for the next save.
    EXPECT_EQ(w.SaveFile, m_dir.filePath("out/photo.jpeg"));
}

TEST_F(SaveTest, FailedWritesAreReportedAndLoseNothing) {
    windowWithPicture(randomSurface(200, 200, 5));
    const QString failed = QStringLiteral("保存できませんでした。\n");
    // (A name in a missing folder no longer gets this far: the save dialog refuses it.)
    // An existing file survives a write that runs out of room half way (a file size limit
    // holds even for the superuser, whom folder permissions do not stop).
    const QString keep = writeText(m_dir.filePath("out/keep.bmp"), "the old contents");
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const ShownBox message = chooseWith("cmdSave", keep, /*confirmReplace=*/true);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldSignal);
    ASSERT_TRUE(message.shown);
    EXPECT_TRUE(message.text.startsWith(failed));
    EXPECT_GT(message.text.size(), failed.size());
    EXPECT_EQ(message.title, "Rimvista");
    EXPECT_EQ(message.icon, QMessageBox::Warning);
    EXPECT_EQ(contents(keep), "the old contents");
    EXPECT_EQ(QDir(m_dir.filePath("out")).entryList(QDir::Files), QStringList{"keep.bmp"});
}

}  // namespace
}  // namespace rimvista::test
