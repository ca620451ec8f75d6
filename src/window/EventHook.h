#pragma once
// An event filter made of a function, for the few events the main window takes from its
// controls: true ends the event there.

#include <QObject>
#include <functional>
#include <utility>

namespace rimvista {

class EventHook : public QObject {
public:
    // Watches `watched` for as long as it lives.
    EventHook(QObject* watched, std::function<bool(QEvent*)> hook)
        : QObject(watched), m_hook(std::move(hook)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return watched == parent() && m_hook(event);
    }

private:
    std::function<bool(QEvent*)> m_hook;
};

}  // namespace rimvista
