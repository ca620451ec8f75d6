#pragma once
// Fixture for tests that drive the real main window offscreen: a fresh settings file in a
// temporary folder, a window bound to it, and controls found by their objectName, as a person
// finds them by their place on the screen.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "core/PixelSurface.h"
#include "support/ModalAnswer.h"
#include "window/FrmMain.h"

namespace rimvista::test {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates (or re-creates) the window on the test's settings file and shows it.
    FrmMain& openWindow();
    // Closes the window through its close command, as the user would, answering 保存しない when
    // it asks about unsaved frames.
    void closeWindow();
    // Presses the button captioned `button` (保存, 保存しない, キャンセル) in the next question.
    static std::unique_ptr<ModalAnswer> answerUnsavedQuestion(const QString& button);

    template <typename T = QWidget>
    T* control(const QString& objectName) {
        T* w = m_window->findChild<T*>(objectName);
        if (!w) ADD_FAILURE() << "no control named " << objectName.toStdString();
        return w;
    }
    QLineEdit* box(const QString& objectName) { return control<QLineEdit>(objectName); }
    void click(const QString& objectName);
    // Replaces a box's text by typing, the way a person would (select all, type).
    void typeInto(const QString& objectName, const QString& text);

    // Gives Picture1 a picture directly, as opening a file would, with the picture-loaded steps.
    void givePicture(PixelSurface picture);

    QString settingsPath() const { return m_dir.filePath("rimvista.ini"); }
    QString tempPath(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    std::unique_ptr<FrmMain> m_window;
};

}  // namespace rimvista::test
