// Painted frames that were never saved are not thrown away without asking.
#include "window/FileWindowTest.h"
#include "window/Viewport.h"

namespace rimvista::test {
namespace {

class UnsavedWorkTest : public FileWindowTest {
protected:
    // A drop whose question, if any, is answered by the caller.
    static void sendDrop(QWidget* target, const QString& path) {
        const auto data = filesData({path});
        ASSERT_TRUE(dragOver(target, data.get()));
        QDropEvent event(QPointF(2, 2), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
};

TEST_F(UnsavedWorkTest, ClosingOrReplacingAsksFirst) {
    FrmMain& w = openWindow();
    w.SaveFolder = folder("out");
    const QString first = writeBmp(folder("in") + "/first.bmp", randomSurface(40, 30, 1));
    const QString second = writeBmp(folder("in") + "/second.bmp", randomSurface(30, 20, 2));
    sendDrop(w.Picture1, first);
    EXPECT_FALSE(w.hasUnsavedFrames());
    click("cmdMeji");
    EXPECT_TRUE(w.hasUnsavedFrames());
    click("cmdUndo");
    EXPECT_FALSE(w.hasUnsavedFrames());  // back to the picture as opened
    click("cmdMeji");
    const PixelSurface framed = w.Picture1->picture().clone();

    // A drop that cannot be read is refused before anything is asked.
    MessageBoxAnswer refusal;
    sendDrop(w.Picture1, writeText(folder("in") + "/broken.jpg", "not a picture"));
    EXPECT_EQ(refusal.box().text, "Drop Error");
    EXPECT_TRUE(samePixels(w.Picture1->picture(), framed));
    EXPECT_TRUE(w.hasUnsavedFrames());

    // キャンセル keeps everything: a drop, 開く (asked before its dialog), 終了.
    for (const auto& act :
         std::vector<std::function<void()>>{[&] { sendDrop(w.picCont, second); },
                                            [&] { click("cmdOpen"); }, [&] { click("cmdExit"); }}) {
        auto question = answerUnsavedQuestion("キャンセル");
        act();
        EXPECT_TRUE(question->answered());
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.PictureFile, first);
        EXPECT_TRUE(samePixels(w.Picture1->picture(), framed));
        EXPECT_EQ(w.FrameHistory.upperBound(), 1);
    }

    // 保存 saves through the save dialog, then the drop goes on.
    std::unique_ptr<ModalAnswer> saveDialog;
    ModalAnswer question([&](QWidget* box) {
        saveDialog = onFileDialog([](QFileDialog* d) { choose(d, "kept.bmp"); });
        for (QAbstractButton* b : static_cast<QMessageBox*>(box)->buttons())
            if (b->text() == QStringLiteral("保存")) b->click();
    });
    sendDrop(w.Picture1, second);
    ASSERT_TRUE(question.answered());
    ASSERT_TRUE(saveDialog && saveDialog->answered());
    EXPECT_EQ(colourDistance(readBack(w.SaveFolder + "/kept.bmp"), framed), 0);
    EXPECT_EQ(w.PictureFile, second);
    EXPECT_FALSE(w.hasUnsavedFrames());

    // Saved work goes without a question; 保存しない lets unsaved work go.
    click("cmdMeji");
    auto discard = answerUnsavedQuestion("保存しない");
    w.close();
    EXPECT_TRUE(discard->answered());
    EXPECT_FALSE(w.isVisible());
}

}  // namespace
}  // namespace rimvista::test
