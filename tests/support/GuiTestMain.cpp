// main() for tests that drive real windows: the offscreen platform is chosen before the
// QApplication exists, so test discovery and runs need no display; and Qt's own dialogs, which
// keep their history in the user's configuration folder, get a temporary one instead.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QtGlobal>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Declared before the application so it outlives every store Qt writes on the way out.
    QTemporaryDir config;
    if (config.isValid()) qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
