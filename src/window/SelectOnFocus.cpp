#include "window/SelectOnFocus.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace rimvista {

SelectOnFocus::SelectOnFocus(QLineEdit* box, std::function<void()> gotFocus)
    : QObject(box), m_box(box), m_gotFocus(std::move(gotFocus)) {
    box->installEventFilter(this);
}

bool SelectOnFocus::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_box) return false;
    switch (event->type()) {
        case QEvent::FocusIn: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            // Coming back from a context menu or from another application is not getting the
            // focus: the box had it all along, and the user's selection must survive.
            if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) break;
            m_gotFocus();
            m_focusFromPress = reason == Qt::MouseFocusReason;
            m_selectOnRelease = false;
            break;
        }
        case QEvent::FocusOut:
            m_focusFromPress = m_selectOnRelease = false;
            break;
        case QEvent::MouseButtonPress:
            // Only the left button places the cursor; a right press keeps the selection for
            // its context menu.
            m_selectOnRelease =
                m_focusFromPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
            m_focusFromPress = false;
            break;
        case QEvent::MouseButtonRelease:
            if (m_selectOnRelease && !m_box->hasSelectedText()) m_gotFocus();
            m_selectOnRelease = false;
            break;
        default:
            break;
    }
    return false;
}

}  // namespace rimvista
