#include <QApplication>
#include <QIcon>

#include "window/FrmMain.h"
#include "window/Translation.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rimvista"));
    QApplication::setDesktopFileName(QStringLiteral("rimvista"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("rimvista")));

    rimvista::installJapaneseTranslation(app);

    rimvista::FrmMain window(rimvista::parseCommandLine(QApplication::arguments()));
    window.show();
    return QApplication::exec();
}
