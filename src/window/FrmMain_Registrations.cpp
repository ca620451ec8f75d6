// Record and Recall.
#include <QCoreApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QRadioButton>

#include "core/RegistrationStore.h"
#include "core/cInifile.h"
#include "window/FrmMain.h"
#include "window/Messages.h"
#include "window/frmList.h"

namespace rimvista {

namespace {

// The name box, at the main window's top-left corner. Empty when cancelled.
QString askName(QWidget* window, int slot) {
    QInputDialog box(window);
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(kNameBoxTitle);
    box.setLabelText(kNameBoxLabel);
    box.setTextValue(kNameBoxProposal.arg(slot));
    box.move(window->frameGeometry().topLeft());
    if (box.exec() != QDialog::Accepted) return {};
    return box.textValue();
}

}  // namespace

void FrmMain::cmdRec_Click() {
    const Result<IniSnapshot> stored = reg::slotsSnapshot(Ini());
    const std::optional<int> proposed =
        stored ? reg::lowestFreeSlot(*stored) : reg::lowestFreeSlot(Ini());
    if (!proposed) {
        showMessage(this, kRegistrationsFull);
        return;
    }
    const QString name = askName(this, *proposed);
    if (name.isEmpty()) return;

    std::vector<FrameParams> entries;
    for (int j = 1; j <= FrameHistory.upperBound(); ++j) entries.push_back(FrameHistory[j]);
    // The slot is taken under the file's lock, so it can differ from the proposed one when
    // another copy of the program recorded meanwhile; a file filled meanwhile is full all the same.
    const reg::RecordResult result =
        reg::recordRegistration(Ini(), reg::storableName(name.toStdString()), entries);
    if (result.status == reg::RecordResult::Status::NoFreeSlot) {
        showMessage(this, kRegistrationsFull);
        return;
    }
    Ini().Refresh();
}

void FrmMain::cmdLoad_Click() {
    SelectedListNo = -1;
    {
        frmList list(this);
        list.exec();
    }
    QCoreApplication::processEvents();  // repaint where the list was before painting starts
    if (SelectedListNo < 1) return;

    const int slot = SelectedListNo;
    const int n = reg::entryCount(Ini(), slot);
    for (int j = 1; j <= n; ++j) {
        // A hand-edited entry the program never writes ends the replay before it touches
        // anything, as an Execute that refused its values would.
        const std::optional<reg::EntryText> entry = reg::readEntry(Ini(), slot, j);
        if (!entry) break;
        QLineEdit* const targets[] = {txtW[0], txtW[1], txtW[2], txtW[3],
                                      txtX[0], txtX[1], txtY[0], txtY[1]};
        for (std::size_t i = 0; i < entry->fields.size(); ++i) {
            targets[i]->setText(QString::fromStdString(entry->fields[i]));
        }
        optA[entry->kind]->setChecked(true);
        cmdMeji_Click();
        if (ExecuteAborted) break;
    }
    ExecuteAborted = false;
}

}  // namespace rimvista
