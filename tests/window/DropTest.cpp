// Dropping one picture file on the viewport or the picture.
#include <QLabel>

#include "window/FileWindowTest.h"
#include "window/Viewport.h"

namespace rimvista::test {
namespace {

class DropTest : public FileWindowTest {
protected:
    QList<QWidget*> targets() { return {m_window->picCont, m_window->Picture1}; }
};

TEST_F(DropTest, OnlyOneFileWithAPictureEndingIsTaken) {
    openWindow();
    for (QWidget* target : targets()) {
        SCOPED_TRACE(target->objectName().toStdString());
        EXPECT_TRUE(target->acceptDrops());
        for (const char* name : {"/p/a.bmp", "/p/PHOTO.JPEG", "/p/b.JpG", "/p/notjpeg"})
            EXPECT_TRUE(dragOver(target, filesData({name}).get())) << name;
        for (const char* name : {"/p/photo.gif", "/p/a.bmpx", "/p/jpg", "/p/x.peg"})
            EXPECT_FALSE(dragOver(target, filesData({name}).get())) << name;
        EXPECT_FALSE(dragOver(target, filesData({"/p/a.bmp", "/p/b.bmp"}).get()));
        EXPECT_FALSE(dragOver(target, filesData({}).get()));
        QMimeData text;
        text.setText("/p/a.bmp");
        EXPECT_FALSE(dragOver(target, &text));
        QMimeData remote;
        remote.setUrls({QUrl("https://example.org/a.bmp")});
        EXPECT_FALSE(dragOver(target, &remote));
    }
}

TEST_F(DropTest, DroppedPictureIsOpenedUnderItsOwnName) {
    FrmMain& w = openWindow();
    const QString out = folder("Out");
    w.SaveFolder = out;
    const QString pics = folder("Pics");
    const PixelSurface picture = randomSurface(24, 12, 3);
    const QString photo = writeJpeg(pics + "/Photo.JPG", picture);
    w.txtW[1]->setText("8");
    EXPECT_FALSE(drop(w.Picture1, {photo}).shown);
    // Letter case is kept: on this file system "photo.jpg" would be another file.
    EXPECT_EQ(w.PictureFile, photo);
    EXPECT_EQ(w.DataFolder, pics);
    EXPECT_EQ(w.SaveFile, out + "/Photo.JPG");
    EXPECT_EQ(control<QLabel>("lblSize")->text(), QStringLiteral(" 24 ×  12"));
    EXPECT_EQ(w.txtW[1]->text(), "5");
    EXPECT_LE(colourDistance(w.Picture1->picture(), picture), 8);

    const QString second = writeBmp(folder("more") + "/Second.bmp", randomSurface(30, 5, 4));
    EXPECT_FALSE(drop(w.picCont, {second}).shown);
    EXPECT_EQ(w.PictureFile, second);
    EXPECT_EQ(w.Picture1->ScaleWidth(), 30);

    // Contents no format of ours knows still open when Qt can read them.
    const QString portable = writeText(folder("more") + "/Third.jpg", "P3 2 1 255 255 0 0 0 0 255");
    EXPECT_FALSE(drop(w.picCont, {portable}).shown);
    EXPECT_EQ(w.Picture1->ScaleWidth(), 2);
    EXPECT_EQ(w.Picture1->picture().row(0)[1].blue, 255);
}

TEST_F(DropTest, UnreadableDropChangesNothing) {
    FrmMain& w = openWindow();
    const QString first = writeBmp(folder("in") + "/first.bmp", randomSurface(16, 9, 1));
    ASSERT_FALSE(drop(w.Picture1, {first}).shown);
    w.txtW[0]->setText("7");
    w.txtY[1]->setText("2");
    const QString fields[] = {w.PictureFile, w.DataFolder, w.SaveFile};
    const PixelSurface shown = w.Picture1->picture().clone();

    const QString notAPicture = writeText(folder("x") + "/notjpeg", "plain text");
    QByteArray damaged = contents(writeJpeg(m_dir.filePath("whole.jpg"), randomSurface(64, 64, 2)));
    damaged.truncate(damaged.size() / 3);
    const QString broken = writeText(m_dir.filePath("damaged.jpg"), damaged);
    for (const auto& [target, path] :
         {std::pair{(QWidget*)w.picCont, notAPicture}, std::pair{(QWidget*)w.Picture1, broken}}) {
        SCOPED_TRACE(path.toStdString());
        const ShownBox message = drop(target, {path});
        ASSERT_TRUE(message.shown);
        EXPECT_EQ(message.text, "Drop Error");
        EXPECT_EQ(message.title, "Rimvista");
        EXPECT_EQ(message.icon, QMessageBox::Warning);
        EXPECT_EQ(message.buttonCount, 1);
        EXPECT_TRUE(samePixels(w.Picture1->picture(), shown));
        EXPECT_EQ(control<QLabel>("lblSize")->text(), QStringLiteral(" 16 ×  9"));
        EXPECT_EQ(w.txtW[0]->text(), "7");
        EXPECT_EQ(w.txtY[1]->text(), "2");
        EXPECT_EQ(w.PictureFile, fields[0]);
        EXPECT_EQ(w.DataFolder, fields[1]);
        EXPECT_EQ(w.SaveFile, fields[2]);
    }
}

}  // namespace
}  // namespace rimvista::test
