#pragma once
// picCont: the scrolling viewport. A framed box whose inside (the client) clips the picture;
// the picture box is a child of the client, so scrolling is moving the picture box.

#include <QFrame>

class QWheelEvent;

namespace rimvista {

class Viewport : public QFrame {
    Q_OBJECT
public:
    explicit Viewport(QWidget* parent = nullptr);

    // The inside: parent of Picture1, measured without the border.
    QWidget* client() const { return m_client; }

signals:
    void mouseMoved();  // over the viewport but not over the picture
    void resized();
    // A wheel turned over the viewport; `at` in client coordinates.
    void wheelTurned(QWheelEvent* event, QPointF at);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_client;
};

}  // namespace rimvista
