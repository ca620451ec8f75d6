#include "window/Viewport.h"

#include <QEvent>
#include <QWheelEvent>

namespace rimvista {

Viewport::Viewport(QWidget* parent) : QFrame(parent), m_client(new QWidget(this)) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setMouseTracking(true);
    m_client->setObjectName("picContClient");
    m_client->setMouseTracking(true);
    m_client->installEventFilter(this);
    m_client->setGeometry(contentsRect());
}

void Viewport::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_client->setGeometry(contentsRect());
    emit resized();
}

void Viewport::wheelEvent(QWheelEvent* event) {
    event->ignore();
    emit wheelTurned(event, m_client->mapFrom(this, event->position()));
}

bool Viewport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::MouseMove) emit mouseMoved();
    return QFrame::eventFilter(watched, event);
}

}  // namespace rimvista
