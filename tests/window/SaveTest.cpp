// Saving the shown picture as a bitmap or JPEG file.
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QtEndian>

#include "imageio/JpegMetadata.h"
#include "window/FileWindowTest.h"

namespace rimvista::test {
namespace {

std::vector<std::uint8_t> bytesOf(std::initializer_list<unsigned> values) {
    return std::vector<std::uint8_t>(values.begin(), values.end());
}

// What a camera writes besides the pixels: a colour profile, Exif with the make, a quarter turn,
// a GPS position and a thumbnail, XMP, a comment and 300 dpi.
files::PictureMetadata cameraMetadata() {
    files::PictureMetadata m;
    m.icc.resize(600);
    for (std::size_t i = 0; i < m.icc.size(); ++i) m.icc[i] = static_cast<std::uint8_t>(i * 7);
    for (auto [at, text] : {std::pair{16, "RGB "}, {36, "acsp"}})
        std::copy(text, text + 4, m.icc.begin() + at);
    // Little-endian, latitude N 35° 39' 29.40", a thumbnail of 20 bytes ending the block.
    // clang-format off
    m.exif = bytesOf({
        'I', 'I', 42, 0, 8, 0, 0, 0,                     // header
        3, 0,                                            // first directory: 3 entries
        0x0F, 1, 2, 0, 4, 0, 0, 0, 'C', 'a', 'm', 0,     //   make
        0x12, 1, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0,           //   orientation 6
        0x25, 0x88, 4, 0, 1, 0, 0, 0, 50, 0, 0, 0,       //   GPS directory at 50
        104, 0, 0, 0,                                    //   next directory at 104
        2, 0,                                            // GPS directory: 2 entries
        1, 0, 2, 0, 2, 0, 0, 0, 'N', 0, 0, 0,            //   latitude N
        2, 0, 5, 0, 3, 0, 0, 0, 80, 0, 0, 0,             //   latitude, fractions at 80
        0, 0, 0, 0,                                      //   no next directory
        35, 0, 0, 0, 1, 0, 0, 0, 39, 0, 0, 0, 1, 0, 0, 0, 0x7C, 0x0B, 0, 0, 100, 0, 0, 0,
        2, 0,                                            // thumbnail's directory: 2 entries
        0x01, 2, 4, 0, 1, 0, 0, 0, 134, 0, 0, 0,         //   thumbnail at 134
        0x02, 2, 4, 0, 1, 0, 0, 0, 20, 0, 0, 0,          //   20 bytes long
        0, 0, 0, 0});
    // clang-format on
    m.exif.resize(154, 0xAB);
    m.xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF/></x:xmpmeta>";
    m.comments = {"on the hill"};
    m.density = files::Density{files::Density::Unit::PerInch, 300, 300};
    return m;
}

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

TEST_F(SaveTest, FramedCameraPictureKeepsItsMetadata) {
    FrmMain& w = openWindow();
    w.SaveFolder = folder("out");
    const files::PictureMetadata camera = cameraMetadata();
    const QString photo = folder("in") + "/camera.jpg";
    ASSERT_TRUE(files::saveJpegWith(randomSurface(64, 48, 8), photo.toStdString(), 90,
                                    files::ChromaSampling::S420, camera)
                    .ok());
    ASSERT_FALSE(drop(w.Picture1, {photo}).shown);
    ASSERT_EQ(w.Picture1->ScaleWidth(), 48);  // turned upright
    click("cmdMeji");
    ASSERT_FALSE(saveThroughDialog("framed.jpg").shown);
    ASSERT_FALSE(saveThroughDialog("framed.bmp").shown);

    const QByteArray jpeg = contents(w.SaveFolder + "/framed.jpg");
    const files::JpegFacts saved =
        files::readJpegFacts(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size());
    EXPECT_EQ(saved.metadata.icc, camera.icc);
    EXPECT_EQ(saved.metadata.xmp, camera.xmp);
    EXPECT_EQ(saved.metadata.comments, camera.comments);
    ASSERT_TRUE(saved.metadata.density);
    EXPECT_EQ(saved.metadata.density->x, 300);
    // Upright pixels say so; the GPS position stays; the unframed thumbnail goes.
    std::vector<std::uint8_t> exif = camera.exif;
    exif[30] = 1;
    std::fill(exif.begin() + 46, exif.begin() + 50, 0);
    exif.resize(134);
    EXPECT_EQ(saved.metadata.exif, exif);
    EXPECT_EQ(saved.quality, 100);
    EXPECT_EQ(saved.sampling, files::ChromaSampling::S444);
    EXPECT_LE(colourDistance(readBack(w.SaveFolder + "/framed.jpg"), w.Picture1->picture()), 3);

    const QByteArray bmp = contents(w.SaveFolder + "/framed.bmp");
    ASSERT_GE(bmp.size(), 46);
    EXPECT_EQ(qFromLittleEndian<std::int32_t>(bmp.constData() + 38), 11811);  // 300 dpi
    EXPECT_EQ(colourDistance(readBack(w.SaveFolder + "/framed.bmp"), w.Picture1->picture()), 0);
}

}  // namespace
}  // namespace rimvista::test
