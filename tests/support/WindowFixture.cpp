#include "support/WindowFixture.h"

#include <QAbstractButton>
#include <QApplication>

#include "support/ModalAnswer.h"
#include "window/PictureBox.h"

namespace rimvista::test {

void WindowTest::SetUp() {
    ASSERT_TRUE(m_dir.isValid());
}

void WindowTest::TearDown() {
    closeWindow();
}

FrmMain& WindowTest::openWindow() {
    if (m_window) closeWindow();
    FrmMainOptions options;
    options.settingsFile = settingsPath();
    m_window = std::make_unique<FrmMain>(options);
    m_window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    // Under a window manager the window is framed, and put on its stored rectangle, only now.
    (void)QTest::qWaitFor([this] { return !m_window->framePending(); }, 10000);
    return *m_window;
}

void WindowTest::closeWindow() {
    if (!m_window) return;
    // Frames painted and not saved: the window asks first; these tests throw the work away.
    std::unique_ptr<ModalAnswer> discard;
    if (m_window->isVisible() && m_window->hasUnsavedFrames())
        discard = answerUnsavedQuestion("保存しない");
    m_window->close();
    m_window.reset();
}

std::unique_ptr<ModalAnswer> WindowTest::answerUnsavedQuestion(const QString& button) {
    return std::make_unique<ModalAnswer>([button](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr) << "expected the unsaved-work question";
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == button) {
                b->click();
                return;
            }
        }
        ADD_FAILURE() << "the question has no button " << button.toStdString();
        box->reject();
    });
}

void WindowTest::click(const QString& objectName) {
    auto* b = control<QAbstractButton>(objectName);
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton);
}

void WindowTest::typeInto(const QString& objectName, const QString& text) {
    QLineEdit* e = box(objectName);
    ASSERT_NE(e, nullptr);
    e->setFocus();
    e->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(e, Qt::Key_Delete);
        return;
    }
    // keyClicks aborts on non-ASCII text; send one key event per character instead.
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void WindowTest::givePicture(PixelSurface picture) {
    ASSERT_TRUE(m_window);
    m_window->pictureLoaded(std::move(picture));
}

}  // namespace rimvista::test
