#include <QApplication>

#include "app/FrmMain.h"
#include "app/Translation.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rimvista"));

    rimvista::installJapaneseTranslation(app);

    rimvista::FrmMainOptions options;
    const QStringList args = QApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--settings"));
    if (at >= 0 && at + 1 < args.size()) options.settingsFile = args[at + 1];

    rimvista::FrmMain window(options);
    window.show();
    return QApplication::exec();
}
