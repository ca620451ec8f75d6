#pragma once

class QCoreApplication;

namespace rimvista {

// The interface is Japanese whatever the locale: Qt's own texts (the buttons of message boxes
// and dialogs) come from Qt's Japanese translation. False when that translation is not installed.
bool installJapaneseTranslation(QCoreApplication& app);

}  // namespace rimvista
