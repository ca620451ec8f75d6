#pragma once
// sha0: the rectangle outline over the picture that shows the framed area. It lies over the
// picture box as a child widget and is never painted into the picture's pixels. Its geometry
// is kept in 32-bit floats so fractional positions typed into the boxes are drawn as such.

#include <QRectF>
#include <QWidget>

namespace rimvista {

class GuideMarker : public QWidget {
    Q_OBJECT
public:
    explicit GuideMarker(QWidget* picture);

    // In the picture's pixels, origin at its top-left corner.
    float Left() const { return m_left; }
    float Top() const { return m_top; }
    float Width() const { return m_width; }
    float Height() const { return m_height; }
    // Whether the marker is shown over its picture (its own flag, whatever the window's state).
    bool Visible() const { return isVisibleTo(parentWidget()); }

    // Each setter refuses a value the marker cannot take (negative size, beyond the coordinate
    // range) and reports it, leaving the marker as it was.
    bool setLeft(float v);
    bool setTop(float v);
    bool setMarkerWidth(float v);
    bool setMarkerHeight(float v);
    void setMarkerVisible(bool visible);
    // Widget pixels per picture pixel of the picture it lies over (1 at 100 %).
    void setScale(double sx, double sy);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    // The outline's rectangle in the display's own pixels of the picture widget, for lines
    // `line` of them thick.
    QRectF outline(double dpr, double line) const;

    float m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    double m_sx = 1.0, m_sy = 1.0;
};

}  // namespace rimvista
