#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/FrmMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rimvista"));
    QApplication::setOrganizationName(QStringLiteral("rimvista"));

    // The interface is Japanese whatever the locale, the standard buttons of Qt's own boxes too.
    QTranslator qtJapanese;
    if (qtJapanese.load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtJapanese);

    rimvista::FrmMainOptions options;
    const QStringList args = QApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--settings"));
    if (at >= 0 && at + 1 < args.size()) options.settingsFile = args[at + 1];

    rimvista::FrmMain window(options);
    window.show();
    return QApplication::exec();
}
