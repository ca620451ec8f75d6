#include "window/C_CommonDialog.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QThread>
#include <QUrl>

namespace rimvista {

namespace {

// What Action reads after each picker dialog.
constexpr std::int16_t kActionColor = 3;
constexpr std::int16_t kActionFont = 4;
constexpr std::int16_t kActionPrinter = 5;
constexpr std::int16_t kActionHelp = 6;
constexpr std::int32_t kWhite = 0x00FFFFFF;

bool openWithDesktop(const QUrl& url) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return false;
    return QDesktopServices::openUrl(url);
}

}  // namespace

CommonDialogError::CommonDialogError(int errorNumber)
    : std::runtime_error("the user cancelled the dialog"), number(errorNumber) {}

C_CommonDialog::C_CommonDialog() : m_helpOpener(openWithDesktop) {
    m_customColors.fill(kWhite);
}

void C_CommonDialog::beginPicker(std::int16_t action) {
    m_action = action;
    m_apiReturn = 0;
    m_extendedError = 0;
}

void C_CommonDialog::finishPicker(const std::function<Outcome()>& run) {
    Outcome outcome = Outcome::Aborted;
    try {
        outcome = run();
    } catch (...) {
        return;  // the fields stay as far as they were set
    }
    // A dialog that could not be shown is not a cancel, whatever CancelError says.
    if (outcome == Outcome::Cancelled && m_cancelError) {
        throw CommonDialogError(kCancelErrorNumber);
    }
}

void C_CommonDialog::ShowColor() {
    beginPicker(kActionColor);
    finishPicker([this] { return runColorDialog(); });
}

void C_CommonDialog::ShowFont() {
    beginPicker(kActionFont);
    finishPicker([this] { return runFontDialog(); });
}

void C_CommonDialog::ShowPrinter() {
    beginPicker(kActionPrinter);
    finishPicker([this] { return runPrinterDialog(); });
}

void C_CommonDialog::ShowHelp() {
    beginPicker(kActionHelp);
    try {
        // The desktop picks the viewer from the file itself; HelpCommand has nothing to select.
        const QFileInfo help(m_helpFile);
        if (!m_helpFile.isEmpty() && help.isFile() && m_helpOpener &&
            m_helpOpener(QUrl::fromLocalFile(help.absoluteFilePath())))
            m_apiReturn = 1;
    } catch (...) {
    }
    if (m_apiReturn == 0) m_extendedError = cderr::kHelpNotShown;
}

}  // namespace rimvista
