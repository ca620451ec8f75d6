#pragma once
// The busy pointer for the whole screen while a command works; normal again when the command
// ends (or earlier, with end(), before a message box is shown).

#include <QGuiApplication>

namespace rimvista {

class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { end(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    void end() {
        if (m_ended) return;
        m_ended = true;
        QGuiApplication::restoreOverrideCursor();
    }

private:
    bool m_ended = false;
};

}  // namespace rimvista
