// The batch tool against the real window: the same frames typed into the window and pressed
// with 実行, or given on the command line, must save the same BMP file, byte for byte.
#include <QCheckBox>
#include <QRadioButton>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BatchProcess.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"
#include "support/TestPictures.h"
#include "support/WindowFixture.h"
#include "window/PictureBox.h"

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;

std::string fileBytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class BatchWindowTest : public WindowTest {
protected:
    // Writes the input file and opens it in the window, as the batch tool will read it.
    void openPicture(int width, int height, std::uint32_t seed) {
        openWindow();
        ASSERT_TRUE(files::saveBmp(randomSurface(width, height, seed), input()).ok());
        files::LoadResult loaded = files::loadPicture(input());
        ASSERT_TRUE(loaded.ok());
        givePicture(std::move(*loaded));
    }
    // One entry of the text form "W0,W1,W2,W3,X0,X1,Y0,Y1,KIND" into the boxes.
    void typeFrame(const QString& entry) {
        const QStringList v = entry.split(',');
        ASSERT_EQ(v.size(), 9);
        for (int i = 0; i < 4; ++i) box(QString("txtW(%1)").arg(i))->setText(v[i]);
        box("txtX(0)")->setText(v[4]);
        box("txtX(1)")->setText(v[5]);
        box("txtY(0)")->setText(v[6]);
        box("txtY(1)")->setText(v[7]);
        control<QRadioButton>(QString("optA(%1)").arg(v[8]))->setChecked(true);
    }
    void execute() {
        click("cmdMeji");
        ASSERT_FALSE(m_window->ExecuteAborted);
    }
    QString saveWindowPicture() {
        const QString path = tempPath("window.bmp");
        EXPECT_TRUE(files::saveBmp(m_window->Picture1->picture(), path.toStdString()).ok());
        return path;
    }
    BatchRun batch(std::vector<std::string> args) {
        args.insert(args.end(), {input(), "-o", tempPath("batch.bmp").toStdString()});
        return runProgram(RIMVISTA_BATCH_EXE, args, m_dir.path().toStdString());
    }
    std::string input() const { return tempPath("input.bmp").toStdString(); }
};

TEST_F(BatchWindowTest, TypedFramesAndTheCommandLineSaveTheSameFile) {
    openPicture(97, 73, 5);
    const QStringList entries = {"4,6,3,5,2,3,1,4,0", "2,2,2,2,12,13,12,14,1",
                                 "1,3,1,3,20,20,20,20,0", "7,1,9,2,0,40,30,0,1"};
    std::vector<std::string> args;
    for (const QString& e : entries) {
        typeFrame(e);
        execute();
        args.insert(args.end(), {"-f", e.toStdString()});
    }
    const BatchRun run = batch(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string window = fileBytes(saveWindowPicture());
    ASSERT_GT(window.size(), 97u * 73u * 3u);
    EXPECT_TRUE(window == fileBytes(tempPath("batch.bmp")));
}

TEST_F(BatchWindowTest, NestEqualsPressingExecuteAgainWithAutoAdjust) {
    openPicture(80, 66, 9);
    ASSERT_TRUE(control<QCheckBox>("chkAuto")->isChecked());
    typeFrame("3,2,4,1,1,2,3,0,1");
    for (int i = 0; i < 5; ++i) execute();
    const BatchRun run = batch({"-f", "3,2,4,1,1,2,3,0,1", "--nest", "5"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fileBytes(saveWindowPicture()) == fileBytes(tempPath("batch.bmp")));
}

}  // namespace
}  // namespace rimvista::test
