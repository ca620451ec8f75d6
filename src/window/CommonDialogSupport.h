#pragma once
// Pieces shared by the Show operations of C_CommonDialog: where a dialog may be shown, which
// window owns it, and the conversions between the properties and the Qt dialogs' values.

#include <QColor>
#include <QStringList>
#include <cstdint>
#include <optional>

class QFont;
class QWidget;

namespace rimvista::comdlg {

// False when no dialog can be shown from here: no widget application, or not its thread.
bool dialogsAvailable();

// The live widget whose native window id is hwndOwner, or none.
QWidget* ownerWidget(std::int32_t hwndOwner);

// "description|patterns|description|patterns..." as Qt name filters. Patterns within a list are
// separated by ";". A description without its pattern list ends the list, as does an empty
// description; an empty text gives no types at all.
QStringList toNameFilters(const QString& filter);

// Colours as properties hold them, 0x00BBGGRR, and as Qt holds them.
QColor colorFromRef(std::int32_t ref);
std::int32_t refFromColor(const QColor& color);

// Font sizes travel in tenths of a point. Both round to the nearest, halves to even; empty when
// the result does not fit 32 bits.
std::optional<std::int32_t> tenthsOfFont(const QFont& font);
std::int32_t pointsFromTenths(std::int32_t tenths);

}  // namespace rimvista::comdlg
