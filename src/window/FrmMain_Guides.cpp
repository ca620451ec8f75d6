// The position marker, mouse picking and the parameter boxes.
#include <QLineEdit>
#include <QPointF>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "core/NumberText.h"
#include "window/FrmMain.h"
#include "window/GuideMarker.h"
#include "window/PictureBox.h"
#include "window/SelectOnFocus.h"
#include "window/Viewport.h"

namespace rimvista {

namespace {

std::string textOf(const QLineEdit* box) {
    return box->text().toStdString();
}

void writeSingle(QLineEdit* box, float v) {
    box->setText(QString::fromStdString(num::formatSingle(v)));
}

// A double rounded to a 32-bit float; nothing when it lies beyond the float range.
std::optional<float> toSingle(double v) {
    if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) return std::nullopt;
    return static_cast<float>(v);
}

using MarkerSetter = bool (GuideMarker::*)(float);

// The two steps of one axis: the near edge from the near margin, then the extent from both
// margins. Each step reads the texts afresh. False at the first step that fails; what was
// done stays.
bool placeAxis(GuideMarker& marker, const QLineEdit* nearBox, const QLineEdit* farBox,
               int pictureSize, MarkerSetter setEdge, MarkerSetter setExtent) {
    const std::optional<float> edge = num::parseSingle(textOf(nearBox));
    if (!edge || !(marker.*setEdge)(*edge)) return false;
    const std::optional<double> nearMargin = num::parseNumber(textOf(nearBox));
    const std::optional<double> farMargin = num::parseNumber(textOf(farBox));
    if (!nearMargin || !farMargin) return false;
    const std::optional<float> extent = toSingle(pictureSize - *nearMargin - *farMargin);
    return extent && (marker.*setExtent)(*extent);
}

// Resets the picking flag however the press handler ends.
class PickingScope {
public:
    explicit PickingScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~PickingScope() { m_flag = false; }
    PickingScope(const PickingScope&) = delete;
    PickingScope& operator=(const PickingScope&) = delete;

private:
    bool& m_flag;
};

struct Margins {
    float x0, y0, x1, y1;
};

// The margins after a press at (x, y) on a picture of w by h pixels: the left button moves the
// top-left corner, the right button the bottom-right one; the other corner comes from its
// boxes. Nothing when that corner's texts are not numbers or the area would turn inside out
// (an area of zero width or height is allowed).
std::optional<Margins> pickedMargins(bool left, float x, float y, float w, float h,
                                     const std::string& otherX, const std::string& otherY) {
    const std::optional<float> cornerX = num::parseSingle(otherX);
    const std::optional<float> cornerY = num::parseSingle(otherY);
    if (!cornerX || !cornerY) return std::nullopt;
    const Margins m =
        left ? Margins{x, y, *cornerX, *cornerY} : Margins{*cornerX, *cornerY, w - x, h - y};
    const std::optional<float> right = toSingle(double(w) - m.x1);
    const std::optional<float> bottom = toSingle(double(h) - m.y1);
    if (!right || !bottom || *right < m.x0 || *bottom < m.y0) return std::nullopt;
    return m;
}

}  // namespace

void FrmMain::connectParameterBoxes() {
    for (int i = 0; i < 2; ++i) {
        connect(txtX[i], &QLineEdit::textChanged, this, [this, i] { txtX_Change(i); });
        connect(txtY[i], &QLineEdit::textChanged, this, [this, i] { txtY_Change(i); });
        new SelectOnFocus(txtX[i], [this, i] { txtX_GotFocus(i); });
        new SelectOnFocus(txtY[i], [this, i] { txtY_GotFocus(i); });
    }
    for (int i = 0; i < 4; ++i) new SelectOnFocus(txtW[i], [this, i] { txtW_GotFocus(i); });

    connect(Picture1, &PictureBox::mouseMoved, this, &FrmMain::Picture1_MouseMove);
    connect(picCont, &Viewport::mouseMoved, this, &FrmMain::picCont_MouseMove);
    connect(Picture1, &PictureBox::mousePressed, this, [this](Qt::MouseButton b, QPointF p) {
        // The picture pixel the press lies in, however finely the platform gives its position.
        Picture1_MouseDown(b, static_cast<float>(std::floor(p.x())),
                           static_cast<float>(std::floor(p.y())));
    });
}

void FrmMain::UpdateGuide(std::int16_t which) {
    if (which < 0 || which > 2) return;
    if (which != 1 && !placeAxis(*sha0, txtX[0], txtX[1], Picture1->ScaleWidth(),
                                 &GuideMarker::setLeft, &GuideMarker::setMarkerWidth))
        return;
    if (which != 0)
        placeAxis(*sha0, txtY[0], txtY[1], Picture1->ScaleHeight(), &GuideMarker::setTop,
                  &GuideMarker::setMarkerHeight);
}

void FrmMain::Picture1_MouseMove() {
    sha0->setMarkerVisible(true);
}

void FrmMain::picCont_MouseMove() {
    sha0->setMarkerVisible(false);
}

void FrmMain::Picture1_MouseDown(Qt::MouseButton button, float x, float y) {
    if (button != Qt::LeftButton && button != Qt::RightButton) return;
    const PickingScope picking(PickingByMouse);
    const bool left = button == Qt::LeftButton;
    const std::optional<Margins> m =
        pickedMargins(left, x, y, static_cast<float>(Picture1->ScaleWidth()),
                      static_cast<float>(Picture1->ScaleHeight()), textOf(left ? txtX[1] : txtX[0]),
                      textOf(left ? txtY[1] : txtY[0]));
    if (!m) return;
    // Each write fires its box's change handler, which stays quiet while picking.
    writeSingle(txtX[0], m->x0);
    writeSingle(txtY[0], m->y0);
    writeSingle(txtX[1], m->x1);
    writeSingle(txtY[1], m->y1);
    UpdateGuide(2);
}

void FrmMain::txtX_Change(int index) {
    if (index < 0 || index > 1) return;
    if (num::isNumber(textOf(txtX[index])) && !PickingByMouse) UpdateGuide(0);
}

void FrmMain::txtY_Change(int index) {
    if (index < 0 || index > 1) return;
    if (num::isNumber(textOf(txtY[index])) && !PickingByMouse) UpdateGuide(1);
}

namespace {

void selectWholeText(QLineEdit* box) {
    box->setSelection(0, static_cast<int>(box->text().size()));
}

}  // namespace

void FrmMain::txtW_GotFocus(int index) {
    if (index >= 0 && index < 4) selectWholeText(txtW[index]);
}

void FrmMain::txtX_GotFocus(int index) {
    if (index >= 0 && index < 2) selectWholeText(txtX[index]);
}

void FrmMain::txtY_GotFocus(int index) {
    if (index >= 0 && index < 2) selectWholeText(txtY[index]);
}

}  // namespace rimvista
