// The question before painted frames that were never saved are thrown away.
#include <QMessageBox>
#include <QPushButton>

#include "window/FrmMain.h"
#include "window/Messages.h"

namespace rimvista {

bool FrmMain::hasUnsavedFrames() const {
    return m_states.back() != m_savedState;
}

void FrmMain::markSaved() {
    m_savedState = m_states.back();
}

bool FrmMain::mayDiscardPicture() {
    if (!hasUnsavedFrames()) return true;
    QMessageBox box(QMessageBox::Warning, kProgramTitle,
                    QStringLiteral("枠を付けた絵が保存されていません。\n保存しますか？"),
                    QMessageBox::NoButton, this);
    box.setObjectName("UnsavedQuestion");
    QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
    QPushButton* discard =
        box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == discard) return true;
    // A save that was cancelled or failed keeps the work, as キャンセル does.
    if (box.clickedButton() == save) return savePicture();
    return false;
}

}  // namespace rimvista
