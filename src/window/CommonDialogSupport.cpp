#include "window/CommonDialogSupport.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QThread>
#include <QWidget>
#include <limits>

#include "core/NumberText.h"

namespace rimvista::comdlg {

bool dialogsAvailable() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}

QWidget* ownerWidget(std::int32_t hwndOwner) {
    if (hwndOwner == 0) return nullptr;
    // Window ids are handed over as 32-bit values; a wider id is known by its lower half.
    for (QWidget* w : QApplication::allWidgets()) {
        const WId id = w->internalWinId();
        if (id != 0 && static_cast<std::int32_t>(static_cast<std::uint32_t>(id)) == hwndOwner) {
            return w;
        }
    }
    return nullptr;
}

QStringList toNameFilters(const QString& filter) {
    const QStringList items = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        const QString& description = items[i];
        if (description.isEmpty() || items[i + 1].isEmpty()) break;
        QStringList patterns;
        for (const QString& p : items[i + 1].split(QLatin1Char(';'))) {
            const QString pattern = p.trimmed();
            if (pattern.isEmpty()) continue;
            // "*.*" means every file, also those without a dot in their name.
            patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        // Qt takes the patterns from the last parentheses; the dialog is told to show only the
        // description, so a description carrying its own "(*.bmp;...)" is shown as written.
        result << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')');
    }
    return result;
}

QColor colorFromRef(std::int32_t ref) {
    const auto v = static_cast<std::uint32_t>(ref);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

std::int32_t refFromColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(rgb.red()) |
                                     static_cast<std::uint32_t>(rgb.green()) << 8 |
                                     static_cast<std::uint32_t>(rgb.blue()) << 16);
}

std::optional<std::int32_t> tenthsOfFont(const QFont& font) {
    double points = font.pointSizeF();
    if (points <= 0) points = QFontInfo(font).pointSizeF();  // a font sized in pixels
    const double tenths = num::nearest(points * 10.0);
    if (!(tenths >= std::numeric_limits<std::int32_t>::min() &&
          tenths <= std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(tenths);
}

std::int32_t pointsFromTenths(std::int32_t tenths) {
    return static_cast<std::int32_t>(num::nearest(tenths / 10.0));
}

}  // namespace rimvista::comdlg
