#include <QApplication>

#include "app/FrmMain.h"
#include "app/Translation.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rimvista"));

    rimvista::installJapaneseTranslation(app);

    rimvista::FrmMain window(rimvista::parseCommandLine(QApplication::arguments()));
    window.show();
    return QApplication::exec();
}
