// Execute and Undo.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/FrameCommand.h"
#include "core/NumberText.h"
#include "core/UndoSnapshot.h"
#include "window/BusyCursor.h"
#include "window/FrmMain.h"
#include "window/Messages.h"
#include "window/PictureBox.h"
#include "window/QtText.h"

namespace rimvista {

namespace {

QString decimal(std::int16_t v) {
    return QString::fromStdString(num::formatInt(v));
}

// The panel is disabled and the pointer busy for the whole command; whichever way it ends,
// the pointer comes back and the panel is enabled again.
class BusyPanel {
public:
    explicit BusyPanel(QWidget* panel) : m_panel(panel) { m_panel->setEnabled(false); }
    ~BusyPanel() { end(); }
    BusyPanel(const BusyPanel&) = delete;
    BusyPanel& operator=(const BusyPanel&) = delete;
    void end() {
        m_cursor.end();
        m_panel->setEnabled(true);
    }

private:
    QWidget* m_panel;
    BusyCursor m_cursor;
};

// The picture box as the engine's target, with the engine's report of a whole changed picture
// held back: the frame's bands are reported instead, so a zoomed view refreshes only those.
class BandsOnly : public PictureTarget {
public:
    explicit BandsOnly(PictureTarget& box) : m_box(box) {}
    PixelSurface* surface() override { return m_box.surface(); }
    void surfaceChanged(const PixelRect&) override {}

private:
    PictureTarget& m_box;
};

// Empties a box's own undo history, keeping its text, cursor and selection.
void forgetTyping(QLineEdit* box) {
    if (!box->isUndoAvailable() && !box->isRedoAvailable()) return;
    const int cursor = box->cursorPosition();
    const int start = box->selectionStart();
    const auto length = static_cast<int>(box->selectedText().size());
    box->setText(box->text());  // the same text: no change, and no history
    if (start < 0)
        box->setCursorPosition(cursor);
    else if (cursor == start)
        box->setSelection(start + length, -length);
    else
        box->setSelection(start, length);
}

}  // namespace

void FrmMain::forgetTyping() {
    // Ctrl+Z in a box takes back typing made since the last 実行 or 戻す, and otherwise the frame:
    // after either command the boxes hold nothing of their own to take back.
    for (QLineEdit* box : {txtW[0], txtW[1], txtW[2], txtW[3], txtX[0], txtX[1], txtY[0], txtY[1]})
        rimvista::forgetTyping(box);
}

void FrmMain::cmdMeji_Click() {
    ExecuteAborted = false;
    BusyPanel busy(Frame1);

    FrameTexts texts;
    for (int i = 0; i < 4; ++i) texts.W[i] = txtW[i]->text().toStdString();
    texts.X0 = txtX[0]->text().toStdString();
    texts.X1 = txtX[1]->text().toStdString();
    texts.Y0 = txtY[0]->text().toStdString();
    texts.Y1 = txtY[1]->text().toStdString();
    const FrameParams p = readFrameParams(texts, optA[0]->isChecked());
    const bool autoAdjust = chkAuto->isChecked();

    const FrameCheck check =
        checkExecute(p, Picture1->ScaleWidth(), Picture1->ScaleHeight(), autoAdjust);
    if (check != FrameCheck::Ok) {
        busy.end();
        showMessage(this, fromUtf8(checkMessage(check)), fromUtf8(kSettingErrorTitle));
        ExecuteAborted = true;
        return;
    }
    const int n = FrameHistory.upperBound() + 1;
    if (n > FrameHistory::kMaxApplications) {
        busy.end();
        ExecuteAborted = true;
        return;
    }

    // The snapshot is taken and the frame painted before any state changes, so a picture that
    // cannot be painted leaves the history and Undo as they were.
    BandsOnly target(*Picture1);
    std::optional<UndoSnapshot> snapshot = applyFrame(target, p);
    if (!snapshot) {
        busy.end();
        ExecuteAborted = true;
        return;
    }
    // The snapshot holds every rectangle the frame can have changed.
    for (const PixelRect& r : snapshot->rects()) Picture1->surfaceChanged(r);

    UndoPicture = std::make_unique<UndoSnapshot>(std::move(*snapshot));
    UndoWidths = p.W;
    UndoX = {p.X0, p.X1};
    UndoY = {p.Y0, p.Y1};
    UndoKind = p.Kind;
    if (n >= FrameHistory::kMaxApplications) cmdMeji->setEnabled(false);
    FrameHistory.append(p);
    m_states.push_back(m_nextState++);
    cmdUndo->setEnabled(true);
    cmdRec->setEnabled(true);

    if (autoAdjust) {
        if (const std::optional<FrameParams> next = autoAdjusted(p)) {
            txtX[0]->setText(decimal(next->X0));
            txtX[1]->setText(decimal(next->X1));
            txtY[0]->setText(decimal(next->Y0));
            txtY[1]->setText(decimal(next->Y1));
            optA[next->Kind]->setChecked(true);
        }
    }
    forgetTyping();
}

void FrmMain::cmdUndo_Click() {
    if (!UndoPicture || FrameHistory.upperBound() < 1) return;
    UndoPicture->restore(*Picture1);
    for (int i = 0; i < 4; ++i) txtW[i]->setText(decimal(UndoWidths[i]));
    // X0, Y0, X1, Y1: each box's change handler moves the marker as it is set.
    for (int i = 0; i < 2; ++i) {
        txtX[i]->setText(decimal(UndoX[i]));
        txtY[i]->setText(decimal(UndoY[i]));
    }
    optA[UndoKind == 0 ? 0 : 1]->setChecked(true);
    cmdUndo->setEnabled(false);
    FrameHistory.removeLast();
    if (m_states.size() > 1) m_states.pop_back();
    if (FrameHistory.upperBound() < 1) cmdRec->setEnabled(false);
    cmdMeji->setEnabled(true);
    forgetTyping();
}

}  // namespace rimvista
