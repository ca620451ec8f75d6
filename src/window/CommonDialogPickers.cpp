// ShowColor and ShowFont.
#include <QApplication>
#include <QColorDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <limits>

#include "window/C_CommonDialog.h"
#include "window/CommonDialogSupport.h"

namespace rimvista {

namespace {

constexpr std::int32_t kFixedPitchOnly = 0x4000;
constexpr std::int32_t kScalableOnly = 0x20000;

// Qt's colour dialog keeps one set of custom colours for the whole application. For one dialog
// the object's own set takes its place; afterwards the object keeps whatever the user made of it
// and the application's set is put back, so no two objects share their colours.
class CustomColorSwap {
public:
    explicit CustomColorSwap(std::array<std::int32_t, 16>& own) : m_own(own) {
        const int count = std::min<int>(QColorDialog::customCount(), int(own.size()));
        for (int i = 0; i < count; ++i) {
            m_saved[i] = QColorDialog::customColor(i);
            QColorDialog::setCustomColor(i, comdlg::colorFromRef(own[i]));
        }
        m_count = count;
    }
    ~CustomColorSwap() {
        for (int i = 0; i < m_count; ++i) {
            m_own[i] = comdlg::refFromColor(QColorDialog::customColor(i));
            QColorDialog::setCustomColor(i, m_saved[i]);
        }
    }
    CustomColorSwap(const CustomColorSwap&) = delete;
    CustomColorSwap& operator=(const CustomColorSwap&) = delete;

private:
    std::array<std::int32_t, 16>& m_own;
    std::array<QColor, 16> m_saved;
    int m_count = 0;
};

// The font the dialog starts from. No face name is passed in: the default face stands for it,
// resolved to a real family so the style flags find the faces they need.
// The face of `family` nearest to bold/italic: the dialog lists a family's own faces and starts
// on its first one when the exact face is missing (as a Japanese desktop's default family has no
// italic), which would lose the boldness too.
QString nearestStyle(const QString& family, bool bold, bool italic) {
    QString best;
    int bestScore = -1;
    for (const QString& style : QFontDatabase::styles(family)) {
        const bool styleBold = QFontDatabase::weight(family, style) >= QFont::Bold;
        const bool styleItalic = QFontDatabase::italic(family, style);
        const int score = 2 * (styleBold == bold) + (styleItalic == italic);
        if (score > bestScore) best = style, bestScore = score;
    }
    return best;
}

QFont startFont(bool bold, bool italic, bool underline, bool strikeOut, std::int32_t tenths) {
    const QString family = QFontInfo(QApplication::font()).family();
    QFont font(family);
    font.setBold(bold);
    font.setItalic(italic);
    const QString style = nearestStyle(family, bold, italic);
    if (!style.isEmpty()) font.setStyleName(style);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    if (tenths > 0) font.setPointSizeF(tenths / 10.0);
    return font;
}

}  // namespace

C_CommonDialog::Outcome C_CommonDialog::runColorDialog() {
    if (!comdlg::dialogsAvailable()) {
        m_extendedError = cderr::kInitialization;
        return Outcome::Failed;
    }
    CustomColorSwap customColors(m_customColors);
    QColorDialog dialog(comdlg::colorFromRef(m_color), comdlg::ownerWidget(m_hwndOwner));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return Outcome::Cancelled;
    m_apiReturn = 1;
    m_color = comdlg::refFromColor(dialog.selectedColor());
    return Outcome::Confirmed;
}

C_CommonDialog::Outcome C_CommonDialog::runFontDialog() {
    const std::int64_t tenths = std::int64_t{m_fontSize} * 10;
    if (tenths < std::numeric_limits<std::int32_t>::min() ||
        tenths > std::numeric_limits<std::int32_t>::max()) {
        return Outcome::Aborted;
    }
    if (!comdlg::dialogsAvailable()) {
        m_extendedError = cderr::kInitialization;
        return Outcome::Failed;
    }
    QFontDialog dialog(startFont(m_fontBold, m_fontItalic, m_fontUnderline, m_fontStrikethru,
                                 static_cast<std::int32_t>(tenths)),
                       comdlg::ownerWidget(m_hwndOwner));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    dialog.setOption(QFontDialog::MonospacedFonts, (m_flags & kFixedPitchOnly) != 0);
    dialog.setOption(QFontDialog::ScalableFonts, (m_flags & kScalableOnly) != 0);
    if (dialog.exec() != QDialog::Accepted) return Outcome::Cancelled;

    m_apiReturn = 1;
    const QFont chosen = dialog.selectedFont();
    m_fontBold = chosen.weight() >= QFont::Bold;
    m_fontItalic = chosen.italic();
    m_fontUnderline = chosen.underline();
    m_fontStrikethru = chosen.strikeOut();
    m_fontName = chosen.family();
    const std::optional<std::int32_t> chosenTenths = comdlg::tenthsOfFont(chosen);
    if (!chosenTenths) return Outcome::Aborted;
    m_fontSize = comdlg::pointsFromTenths(*chosenTenths);
    return Outcome::Confirmed;
}

}  // namespace rimvista
