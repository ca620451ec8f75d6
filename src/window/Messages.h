#pragma once
// The program's message boxes: a text, a title, the exclamation icon and one OK button.

#include <QString>

class QWidget;

namespace rimvista {

inline const QString kProgramTitle = QStringLiteral("Rimvista");

void showMessage(QWidget* parent, const QString& text, const QString& title = kProgramTitle);

}  // namespace rimvista
