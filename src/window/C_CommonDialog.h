#pragma once
// C_CommonDialog: the standard open, save, colour, font and printer dialogs and the help viewer,
// described through properties. The caller sets properties, calls a Show operation and reads the
// outcome back; APIReturn is non-zero when the user confirmed, ExtendedError non-zero when a
// dialog could not do its job. Each property is a read accessor and, unless read-only, a write
// accessor of the same name; accessors copy values without any check.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>

class QUrl;

namespace rimvista {

// Raised by ShowColor, ShowFont and ShowPrinter when the user cancels and CancelError is true.
// Nothing else ever leaves a Show operation.
struct CommonDialogError : std::runtime_error {
    explicit CommonDialogError(int errorNumber);
    int number;
};

// What ExtendedError reads when a dialog could not do its job (0 after a plain cancel).
namespace cderr {
constexpr std::int32_t kInitialization = 0x0002;  // no dialog can be shown from here
constexpr std::int32_t kBufferTooSmall = 0x3003;  // chosen path longer than MaxFileSize allows
constexpr std::int32_t kHelpNotShown = 0x0006;    // the help file was not found or not opened
}  // namespace cderr

constexpr int kCancelErrorNumber = 2001;
// FileName after a cancelled file dialog when CancelError is true.
inline const QString kCancelFileName = QStringLiteral("_Cancel");

class C_CommonDialog {
public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    C_CommonDialog();

    void ShowColor();
    void ShowFont();
    void ShowHelp();
    void ShowOpen();
    void ShowSave();
    void ShowPrinter();

    QString Filter() const { return m_filter; }
    void Filter(const QString& v) { m_filter = v; }
    QString FileName() const { return m_fileName; }
    void FileName(const QString& v) { m_fileName = v; }
    std::int16_t Action() const { return m_action; }
    std::int16_t FilterIndex() const { return m_filterIndex; }
    void FilterIndex(std::int16_t v) { m_filterIndex = v; }
    bool CancelError() const { return m_cancelError; }
    void CancelError(bool v) { m_cancelError = v; }
    std::int32_t Color() const { return m_color; }
    void Color(std::int32_t v) { m_color = v; }
    std::int32_t Copies() const { return m_copies; }
    void Copies(std::int32_t v) { m_copies = v; }
    QString DefaultExt() const { return m_defaultExt; }
    void DefaultExt(const QString& v) { m_defaultExt = v; }
    QString DialogTitle() const { return m_dialogTitle; }
    void DialogTitle(const QString& v) { m_dialogTitle = v; }
    std::int32_t flags() const { return m_flags; }
    void flags(std::int32_t v) { m_flags = v; }
    bool FontBold() const { return m_fontBold; }
    void FontBold(bool v) { m_fontBold = v; }
    bool FontItalic() const { return m_fontItalic; }
    void FontItalic(bool v) { m_fontItalic = v; }
    QString FontName() const { return m_fontName; }
    void FontName(const QString& v) { m_fontName = v; }
    std::int32_t FontSize() const { return m_fontSize; }
    void FontSize(std::int32_t v) { m_fontSize = v; }
    bool FontStrikethru() const { return m_fontStrikethru; }
    void FontStrikethru(bool v) { m_fontStrikethru = v; }
    bool FontUnderline() const { return m_fontUnderline; }
    void FontUnderline(bool v) { m_fontUnderline = v; }
    std::int32_t FromPage() const { return m_fromPage; }
    void FromPage(std::int32_t v) { m_fromPage = v; }
    std::int32_t hDC() const { return m_hDC; }
    std::int32_t HelpCommand() const { return m_helpCommand; }
    void HelpCommand(std::int32_t v) { m_helpCommand = v; }
    QString HelpContext() const { return m_helpContext; }
    void HelpContext(const QString& v) { m_helpContext = v; }
    QString HelpFile() const { return m_helpFile; }
    void HelpFile(const QString& v) { m_helpFile = v; }
    QString HelpKey() const { return m_helpKey; }
    void HelpKey(const QString& v) { m_helpKey = v; }
    QString InitDir() const { return m_initDir; }
    void InitDir(const QString& v) { m_initDir = v; }
    std::int32_t Max() const { return m_max; }
    void Max(std::int32_t v) { m_max = v; }
    std::int32_t MaxFileSize() const { return m_maxFileSize; }
    void MaxFileSize(std::int32_t v) { m_maxFileSize = v; }
    std::int32_t Min() const { return m_min; }
    void Min(std::int32_t v) { m_min = v; }
    bool PrinterDefault() const { return m_printerDefault; }
    void PrinterDefault(bool v) { m_printerDefault = v; }
    std::int32_t ToPage() const { return m_toPage; }
    void ToPage(std::int32_t v) { m_toPage = v; }
    QString FileTitle() const { return m_fileTitle; }
    std::int32_t APIReturn() const { return m_apiReturn; }
    std::int32_t ExtendedError() const { return m_extendedError; }
    std::int32_t hwndOwner() const { return m_hwndOwner; }
    void hwndOwner(std::int32_t v) { m_hwndOwner = v; }

    // How ShowHelp hands the help file to the desktop; replaceable so nothing is launched in tests.
    void setHelpOpener(UrlOpener opener) { m_helpOpener = std::move(opener); }

private:
    enum class FileDialogKind { Open = 1, Save = 2 };
    // How a dialog ended. Aborted: a run-time error stopped the operation part-way.
    enum class Outcome { Confirmed, Cancelled, Failed, Aborted };

    void ShowFileDialog(FileDialogKind kind);
    Outcome runFileDialog(FileDialogKind kind);
    Outcome runColorDialog();
    Outcome runFontDialog();
    Outcome runPrinterDialog();
    void beginPicker(std::int16_t action);
    // Runs a dialog so that no failure escapes; only a cancel with CancelError raises.
    void finishPicker(const std::function<Outcome()>& run);

    std::int16_t m_action = 0;
    bool m_cancelError = false;
    std::int32_t m_color = 0;  // 0x00BBGGRR
    std::int32_t m_copies = 0;
    QString m_defaultExt;
    QString m_dialogTitle;
    QString m_fileName;
    QString m_fileTitle;
    QString m_filter;
    std::int16_t m_filterIndex = 0;  // 1-based
    std::int32_t m_flags = 0;
    bool m_fontBold = false;
    bool m_fontItalic = false;
    QString m_fontName;
    std::int32_t m_fontSize = 0;  // points
    bool m_fontStrikethru = false;
    bool m_fontUnderline = false;
    std::int32_t m_fromPage = 0;
    std::int32_t m_hDC = 0;
    std::int32_t m_helpCommand = 0;
    QString m_helpContext;
    QString m_helpFile;
    QString m_helpKey;
    QString m_initDir;
    std::int32_t m_max = 0;
    std::int32_t m_maxFileSize = 0;  // characters; 0 or less means 255
    std::int32_t m_min = 0;
    bool m_printerDefault = false;
    std::int32_t m_toPage = 0;
    std::int32_t m_hwndOwner = 0;
    std::int32_t m_apiReturn = 0;
    std::int32_t m_extendedError = 0;
    // The colour dialog's custom colours (0x00BBGGRR), kept for the object's whole life.
    std::array<std::int32_t, 16> m_customColors{};
    UrlOpener m_helpOpener;
};

}  // namespace rimvista
