#include "window/DropTarget.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QWidget>

#include "window/FrmMain.h"

namespace rimvista {

DropTarget::DropTarget(FrmMain* window) : QObject(window), m_window(window) {}

void DropTarget::attach(QWidget* control) {
    control->setAcceptDrops(true);
    control->installEventFilter(this);
}

bool DropTarget::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            // QDragEnterEvent derives from QDragMoveEvent.
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (m_window->acceptsDrop(drag->mimeData())) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->setDropAction(Qt::IgnoreAction);
                drag->ignore();
            }
            return true;
        }
        case QEvent::DragLeave:
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            // The platform only drops what the last drag-over accepted; a drop sent any other
            // way is held to the same rule.
            if (!m_window->acceptsDrop(drop->mimeData())) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            m_window->pictureDropped(drop->mimeData());
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

}  // namespace rimvista
