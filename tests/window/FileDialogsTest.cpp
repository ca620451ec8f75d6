// The open and save dialogs as the user meets them, and the path fields they leave behind.
#include <QComboBox>
#include <QLabel>

#include "support/HugeClaims.h"
#include "window/FileDialogControl.h"
#include "window/FileWindowTest.h"

namespace rimvista::test {
namespace {

using FileDialogsTest = FileWindowTest;

QString shownFilter(QFileDialog* d) {
    auto* combo = d->findChild<QComboBox*>("fileTypeCombo");
    return combo ? combo->currentText() : QString();
}

TEST(FileDialogControlTest, FilterStringsBecomeNameFilters) {
    EXPECT_EQ(
        FileDialogControl::nameFilters(
            QStringLiteral("画像ファイル (*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg")),
        QStringList{QStringLiteral("画像ファイル (*.bmp;*.jpg;*.jpeg) (*.bmp *.jpg *.jpeg)")});
    EXPECT_EQ(FileDialogControl::nameFilters("A|*.a; *.b|All|*.*"),
              (QStringList{"A (*.a *.b)", "All (*)"}));
    EXPECT_TRUE(FileDialogControl::nameFilters("").isEmpty());
}

TEST_F(FileDialogsTest, OpenDialogStartsInTheDataFolderAndOpensThePicture) {
    FrmMain& w = openWindow();
    const QString in = folder("in");
    w.DataFolder = in;
    w.SaveFolder = folder("out");
    const PixelSurface picture = randomSurface(40, 30, 7);
    const QString photo = writeBmp(in + "/Photo.bmp", picture);
    writeText(in + "/notes.txt", "x");

    auto answer = onFileDialog([&](QFileDialog* d) {
        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(d->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(d->directory().canonicalPath(), QDir(in).canonicalPath());
        EXPECT_EQ(shownFilter(d), QStringLiteral("画像ファイル (*.bmp;*.jpg;*.jpeg)"));
        EXPECT_EQ(d->nameFilters().size(), 1);
        const QStringList listed =
            QDir(in).entryList(QStringList{"*.bmp", "*.jpg", "*.jpeg"}, QDir::Files);
        EXPECT_EQ(listed, QStringList{"Photo.bmp"});
        choose(d, photo);
    });
    click("cmdOpen");
    ASSERT_TRUE(answer->answered());
    EXPECT_EQ(w.PictureFile, photo);
    EXPECT_EQ(w.DataFolder, in);
    EXPECT_EQ(w.SaveFile, m_dir.filePath("out") + "/Photo.bmp");
    EXPECT_EQ(control<QLabel>("lblSize")->text(), QStringLiteral(" 40 ×  30"));
    EXPECT_EQ(colourDistance(w.Picture1->picture(), picture), 0);
    EXPECT_TRUE(control("cmdSave")->isEnabled());

    // The next open shows the picture's name; a cancel leaves everything as it was.
    answer = onFileDialog([&](QFileDialog* d) {
        EXPECT_EQ(nameBox(d)->text(), "Photo.bmp");
        d->reject();
    });
    w.txtW[0]->setText("9");
    click("cmdOpen");
    EXPECT_TRUE(answer->answered());
    EXPECT_EQ(w.PictureFile, photo);
    EXPECT_EQ(w.SaveFile, m_dir.filePath("out") + "/Photo.bmp");
    EXPECT_EQ(w.txtW[0]->text(), "9");
}

TEST_F(FileDialogsTest, AFileThatCannotBeReadKeepsPictureAndFields) {
    FrmMain& w = openWindow();
    const QString in = folder("in");
    w.SaveFolder = folder("out");
    const QString good = writeBmp(in + "/good.bmp", uniformSurface(20, 10, Pixel{9, 8, 7, 0}));
    EXPECT_FALSE(openThroughDialog(good).shown);
    const QString before[] = {w.PictureFile, w.DataFolder, w.SaveFile};
    w.txtX[0]->setText("3");
    const QString broken = writeText(folder("other") + "/broken.jpg", "\xFF\xD8\xFF\xE0 cut");

    const ShownBox message = openThroughDialog(broken);
    ASSERT_TRUE(message.shown);
    EXPECT_EQ(message.title, "Rimvista");
    EXPECT_TRUE(message.text.startsWith(QStringLiteral("開けませんでした。\n")));
    EXPECT_GT(message.text.size(), QStringLiteral("開けませんでした。\n").size());
    EXPECT_EQ(message.icon, QMessageBox::Warning);
    EXPECT_EQ(w.PictureFile, before[0]);
    EXPECT_EQ(w.DataFolder, before[1]);
    EXPECT_EQ(w.SaveFile, before[2]);
    EXPECT_EQ(w.Picture1->ScaleWidth(), 20);
    EXPECT_EQ(w.txtX[0]->text(), "3");
}

TEST_F(FileDialogsTest, PicturesTooLargeForTheirFileOrTheMemoryKeepThePicture) {
    FrmMain& w = openWindow();
    EXPECT_FALSE(
        openThroughDialog(writeBmp(folder("in") + "/good.bmp", randomSurface(20, 10, 3))).shown);
    const PixelSurface shown = w.Picture1->picture().clone();
    const QString picture = w.PictureFile;
    writeHugeClaims(folder("huge").toStdString());
    const PretendedMemory pretended;
    for (const HugeClaim& claim : kHugeClaims) {
        SCOPED_TRACE(claim.name);
        const ShownBox message = openThroughDialog(folder("huge") + "/" + claim.name);
        ASSERT_TRUE(message.shown);
        EXPECT_TRUE(message.text.startsWith(QStringLiteral("開けませんでした。\n") +
                                            QString::fromUtf8(claim.windowText)))
            << message.text.toStdString();
        EXPECT_TRUE(samePixels(w.Picture1->picture(), shown));
        EXPECT_EQ(w.PictureFile, picture);
    }
}

TEST_F(FileDialogsTest, SaveDialogFollowsAJpegPicture) {
    FrmMain& w = openWindow();
    const QString out = folder("out");
    w.SaveFolder = out;
    // A smooth picture, as photographs are, keeps JPEG's error small and measurable.
    PixelSurface smooth(120, 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            smooth.row(y)[x] =
                Pixel{std::uint8_t(x * 2), std::uint8_t(y * 3), std::uint8_t(x + y), 0};
    const QString photo = writeJpeg(folder("in") + "/Photo.JPG", smooth);
    openThroughDialog(photo);
    ASSERT_EQ(w.SaveFile, out + "/Photo.JPG");

    auto answer = onFileDialog([&](QFileDialog* d) {
        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(d->directory().canonicalPath(), QDir(out).canonicalPath());
        EXPECT_EQ(nameBox(d)->text(), "Photo.JPG");
        EXPECT_EQ(shownFilter(d), QStringLiteral("JPGファイル(*.jpg)"));
        EXPECT_EQ(d->nameFilters().size(), 2);
        EXPECT_EQ(d->defaultSuffix(), "jpg");
        EXPECT_FALSE(d->testOption(QFileDialog::DontConfirmOverwrite));
        choose(d, "result");  // no dot: the JPEG extension is added
    });
    click("cmdSave");
    ASSERT_TRUE(answer->answered());
    EXPECT_EQ(w.SaveFile, out + "/result.jpg");
    EXPECT_EQ(w.SaveFolder, out);
    ASSERT_TRUE(contents(out + "/result.jpg").startsWith("\xFF\xD8"));
    const int distance = colourDistance(readBack(out + "/result.jpg"), w.Picture1->picture());
    EXPECT_GE(distance, 0);
    EXPECT_LE(distance, 6);
    EXPECT_EQ(w.CommonDialog1().FilterIndex, 2);

    // The open dialog does not assign the default extension: it stays from the save.
    answer = onFileDialog([&](QFileDialog* d) {
        EXPECT_EQ(d->defaultSuffix(), "jpg");
        EXPECT_EQ(shownFilter(d), QStringLiteral("画像ファイル (*.bmp;*.jpg;*.jpeg)"));
        d->reject();
    });
    click("cmdOpen");
    EXPECT_TRUE(answer->answered());
    EXPECT_EQ(w.CommonDialog1().DefaultExt, "jpg");
}

TEST_F(FileDialogsTest, SaveDialogRefusesANameInAMissingFolder) {
    FrmMain& w = openWindow();
    const QString out = folder("out");
    w.SaveFolder = out;
    openThroughDialog(writeBmp(folder("in") + "/a.bmp", uniformSurface(8, 8, Pixel{1, 2, 3, 0})));
    const QString missing = m_dir.filePath("no-such-folder") + "/a.bmp";

    ShownBox refusal;
    bool stayedOpen = false;
    auto answer = onFileDialog([&](QFileDialog* d) {
        MessageBoxAnswer message;
        choose(d, missing);
        refusal = message.box();
        stayedOpen = d->isVisible();
        d->reject();
    });
    click("cmdSave");
    ASSERT_TRUE(answer->answered());
    EXPECT_TRUE(refusal.shown);
    EXPECT_TRUE(refusal.text.contains(QDir::toNativeSeparators(m_dir.filePath("no-such-folder"))));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(w.SaveFolder, out);
    EXPECT_FALSE(QFile::exists(missing));
}

}  // namespace
}  // namespace rimvista::test
