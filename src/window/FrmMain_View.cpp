// Zoom, keyboard shortcuts, the focus around commands, and tooltips.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "window/EventHook.h"
#include "window/FrmMain.h"
#include "window/GuideMarker.h"
#include "window/PictureBox.h"
#include "window/Viewport.h"

namespace rimvista {

namespace {

bool isPlainEnter(const QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier;
}

void pressIfEnabled(QPushButton* button) {
    if (button->isEnabled()) button->click();
}

QString percent(double factor) {
    QString text = QString::number(factor * 100.0, 'f', 1);
    if (text.endsWith(QLatin1String(".0"))) text.chop(2);
    return text + QLatin1Char('%');
}

// The picture's edge that puts `wanted` as near as the picture's overflow allows, and the bar
// value (0..100) nearest to it; a picture that fits stays at the near edge.
std::pair<int, int> placeOnAxis(double wanted, int pictureExtent, int viewExtent) {
    const double overflow = double(pictureExtent) - viewExtent;
    if (overflow <= 0) return {0, 0};
    const double edge = std::clamp(wanted, -overflow, 0.0);
    const int value = std::clamp(static_cast<int>(std::lround(-edge * 100.0 / overflow)), 0, 100);
    return {static_cast<int>(std::lround(edge)), value};
}

}  // namespace

void FrmMain::connectViewHandlers() {
    connect(picCont, &Viewport::resized, this, [this] {
        if (m_zoomSetting == 0) applyZoom();
    });
    connectWheels();
    new EventHook(lblSize, [this](QEvent* e) {
        if (e->type() == QEvent::Move || e->type() == QEvent::Resize) placeZoomLabel();
        return false;
    });

    // Enter on a focused button presses it, as Space does.
    for (QPushButton* b : {cmdOpen, cmdSave, cmdMeji, cmdUndo, cmdRec, cmdLoad, cmdExit}) {
        new EventHook(b, [b](QEvent* e) {
            if (e->type() != QEvent::KeyPress || !isPlainEnter(static_cast<QKeyEvent*>(e)))
                return false;
            pressIfEnabled(b);
            return true;
        });
    }
    // In a box, Ctrl+Z takes back the typing while there is typing since the last 実行 or 戻す
    // (which empty the boxes' histories); otherwise it is the window's 戻す.
    for (QLineEdit* box :
         {txtW[0], txtW[1], txtW[2], txtW[3], txtX[0], txtX[1], txtY[0], txtY[1]}) {
        new EventHook(box, [box](QEvent* e) {
            return e->type() == QEvent::ShortcutOverride &&
                   static_cast<QKeyEvent*>(e)->matches(QKeySequence::Undo) &&
                   !box->isUndoAvailable();
        });
    }

    const auto shortcut = [this](QKeySequence keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { pressIfEnabled(cmdOpen); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { pressIfEnabled(cmdSave); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { pressIfEnabled(cmdUndo); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { pressIfEnabled(cmdMeji); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { pressIfEnabled(cmdMeji); });
    // Fitting and 100 % show the picture from its top-left corner.
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [this] {
        zoomFit();
        resetView();
    });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_1), [this] {
        setZoom(1.0);
        resetView();
    });
    for (const Qt::Key k : {Qt::Key_Plus, Qt::Key_Equal})
        shortcut(QKeySequence(Qt::CTRL | k), [this] { zoomStep(1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { zoomStep(-1); });
    applyZoom();
}

void FrmMain::keepingFocus(QWidget* fallback, const std::function<void()>& command) {
    const QPointer<QWidget> had = QApplication::focusWidget();
    command();
    if (!had || had->window() != this || QApplication::focusWidget() == had) return;
    QWidget* target = had->isEnabled() && had->isVisible() ? had.data() : fallback;
    if (target && target->isEnabled()) target->setFocus(Qt::OtherFocusReason);
}

double FrmMain::zoomFactor() const {
    if (m_zoomSetting > 0) return m_zoomSetting;
    const QWidget* view = picCont->client();
    if (!Picture1->hasPicture() || view->width() <= 0 || view->height() <= 0)
        return Picture1->zoom();
    const double fit = std::min(double(view->width()) / Picture1->ScaleWidth(),
                                double(view->height()) / Picture1->ScaleHeight());
    return std::min(fit, kZoomSteps[std::size(kZoomSteps) - 1]);
}

void FrmMain::setZoom(double setting) {
    m_zoomSetting = setting > 0 ? setting : 0;
    m_zoomChosen = true;
    applyZoom();
}

void FrmMain::zoomForNewPicture(QSize size) {
    // Until the user picks a zoom, a picture larger than the viewport opens fitted, so that all
    // of it is seen first; one that fits opens at its own size.
    if (m_zoomChosen) return;
    const QSize view = picCont->client()->size();
    m_zoomSetting = size.width() <= view.width() && size.height() <= view.height() ? 1.0 : 0;
}

void FrmMain::zoomStep(int steps) {
    double f = zoomFactor();
    const double before = f;
    for (; steps > 0; --steps) {
        const double* next = std::find_if(std::begin(kZoomSteps), std::end(kZoomSteps),
                                          [f](double s) { return s > f * (1 + 1e-9); });
        if (next == std::end(kZoomSteps)) break;
        f = *next;
    }
    for (; steps < 0; ++steps) {
        const double* below = nullptr;
        for (const double& s : kZoomSteps)
            if (s < f * (1 - 1e-9)) below = &s;
        if (!below) break;
        f = *below;
    }
    if (f != before) setZoom(f);
}

void FrmMain::zoomAbout(int steps, QPointF anchor) {
    const QPointF under = Picture1->toPicture(anchor - QPointF(Picture1->pos()));
    zoomStep(steps);
    if (!Picture1->hasPicture()) return;
    const QPointF wanted =
        anchor - QPointF(under.x() * Picture1->scaleX(), under.y() * Picture1->scaleY());
    const QWidget* view = picCont->client();
    const auto [x, h] = placeOnAxis(wanted.x(), Picture1->width(), view->width());
    const auto [y, v] = placeOnAxis(wanted.y(), Picture1->height(), view->height());
    Picture1->move(x, y);
    // The bars show the nearest share; the picture keeps the point under the pointer exactly.
    const QSignalBlocker hb(HScroll1), vb(VScroll1);
    HScroll1->setValue(h);
    VScroll1->setValue(v);
}

void FrmMain::applyZoom() {
    // The view keeps its share of each overflow (the bars' share where nothing overflows).
    const QSize view = picCont->client()->size();
    const auto share = [](QScrollBar* bar, int edge, int picture, int viewExtent) {
        const int overflow = picture - viewExtent;
        return overflow > 0 ? -double(edge) / overflow : bar->value() / 100.0;
    };
    const double across = share(HScroll1, Picture1->x(), Picture1->width(), view.width());
    const double down = share(VScroll1, Picture1->y(), Picture1->height(), view.height());
    Picture1->setZoom(zoomFactor());
    sha0->setScale(Picture1->scaleX(), Picture1->scaleY());
    Picture1->move(placeAtShare(HScroll1, across, Picture1->width(), view.width()),
                   placeAtShare(VScroll1, down, Picture1->height(), view.height()));
    const QString shown = percent(Picture1->zoom());
    lblZoom->setText(m_zoomSetting == 0 ? QStringLiteral("全体 ") + shown : shown);
    placeZoomLabel();
}

void FrmMain::placeZoomLabel() {
    const QRect size = lblSize->geometry();
    const int width = std::min(
        size.width(), lblZoom->fontMetrics().horizontalAdvance(QStringLiteral("全体 100.0%")) + 4);
    lblZoom->setGeometry(size.right() + 1 - width, size.top(), width, size.height());
    lblZoom->raise();
}

void FrmMain::setToolTips() {
    const auto tip = [](QWidget* w, const char* text) { w->setToolTip(QString::fromUtf8(text)); };
    tip(Label1[0], "枠で囲む範囲の位置：画像の上下左右の端からの距離（ピクセル）");
    tip(Label1[1], "枠の幅：上下左右の帯の太さ（ピクセル）");
    tip(chkAuto, "実行するたびに位置を描いた枠の内側へ移し、凸と凹を入れ替えます");
    tip(txtY[0], "上の位置：画像の上端から枠までの距離（ピクセル）");
    tip(txtY[1], "下の位置：画像の下端から枠までの距離（ピクセル）");
    tip(txtX[0], "左の位置：画像の左端から枠までの距離（ピクセル）");
    tip(txtX[1], "右の位置：画像の右端から枠までの距離（ピクセル）");
    tip(txtW[0], "上の帯の幅（ピクセル、1 以上）");
    tip(txtW[1], "下の帯の幅（ピクセル、1 以上）");
    tip(txtW[2], "左の帯の幅（ピクセル、1 以上）");
    tip(txtW[3], "右の帯の幅（ピクセル、1 以上）");
    tip(optA[0], "凸：左上から光が当たって浮き出て見える枠");
    tip(optA[1], "凹：凸とは明暗が逆の、へこんで見える枠");
    tip(cmdOpen, "BMP・JPEG の画像を開きます（Ctrl+O）。画像のドロップでも開けます");
    tip(cmdSave, "画像を BMP か JPEG で保存します（Ctrl+S）");
    tip(cmdMeji, "枠を描きます（Ctrl+Enter）。1 枚の画像に 10 回まで");
    tip(cmdUndo,
        "最後に描いた枠を 1 つ取り消します（Ctrl+Z。入力欄に最後の実行・戻すのあとで"
        "打った文字があれば、Ctrl+Z はまずその入力を取り消します）");
    tip(cmdRec, "この画像に描いた枠の手順を名前を付けて記録します");
    tip(cmdLoad, "記録した手順を選んで、この画像に描きます");
    tip(cmdExit, "Rimvista を終了します");
    tip(picCont,
        "左クリックで範囲の左上、右クリックで右下を指定します。ホイールでスクロール、"
        "Shift+ホイールで横に、Ctrl+ホイールで拡大・縮小");
    tip(VScroll1, "画像を縦にスクロールします");
    tip(HScroll1, "画像を横にスクロールします");
    tip(lblSize, "画像の大きさ（幅 × 高さ、ピクセル）");
    tip(lblZoom, "表示倍率：Ctrl+0 全体、Ctrl+1 100%、Ctrl+＋／Ctrl+－ 拡大・縮小");
}

}  // namespace rimvista
