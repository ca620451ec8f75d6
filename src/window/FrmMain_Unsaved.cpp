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
    QMessageBox box(QMessageBox::Warning, kProgramTitle, kUnsavedQuestion, QMessageBox::NoButton,
                    this);
    box.setObjectName("UnsavedQuestion");
    QPushButton* save = box.addButton(kSaveButton, QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(kDiscardButton, QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(kCancelButton, QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == discard) return true;
    // A save that was cancelled or failed keeps the work, as キャンセル does.
    if (box.clickedButton() == save) return savePicture();
    return false;
}

}  // namespace rimvista
