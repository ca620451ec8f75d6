#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "window/FrmMain.h"
#include "window/Translation.h"

namespace {

constexpr const char* kUsage =
    "Usage: rimvista [--settings FILE] [PICTURE]\n"
    "Paints bevelled frames into BMP and JPEG pictures, in a window.\n"
    "\n"
    "  --settings FILE  use FILE as the settings file\n"
    "  -V, --version    print the version and exit\n"
    "  -h, --help       print this text and exit\n"
    "\n"
    "PICTURE (a path or a file:// address) is opened as if dropped on the window.\n";

// Answered before Qt starts, so they work without a display (and never open a window).
int answerWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--") == 0) break;
        if (std::strcmp(a, "--settings") == 0) {
            ++i;
        } else if (std::strcmp(a, "--version") == 0 || std::strcmp(a, "-V") == 0) {
            std::printf("rimvista %d.%d.%d\n", RIMVISTA_VERSION_MAJOR, RIMVISTA_VERSION_MINOR,
                        RIMVISTA_VERSION_PATCH);
            return 0;
        } else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int status = answerWithoutWindow(argc, argv); status >= 0) return status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rimvista"));
    QApplication::setDesktopFileName(QStringLiteral("org.rimvista.Rimvista"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("rimvista")));

    rimvista::installJapaneseTranslation(app);

    rimvista::FrmMain window(rimvista::parseCommandLine(QApplication::arguments()));
    window.show();
    return QApplication::exec();
}
