#pragma once
// Driving Record and Recall through the real window: the name box, the list and any message box
// are answered from a polling timer while they are modal, as a person would answer them.

#include <QInputDialog>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <string>

#include "support/WindowFixture.h"
#include "window/frmList.h"

namespace rimvista::test {

// Answers every modal window opened while it lives: the name box and the list with the given
// actions (each must end its window), message boxes with OK, recording "title|text". A window
// left open too long is closed and counted as a failure, so a test never hangs.
class ModalScript {
public:
    ModalScript();
    std::function<void(QInputDialog&)> onName;
    std::function<void(frmList&)> onList;
    QStringList messages;
    int nameBoxes = 0;
    int lists = 0;

private:
    void poll();
    QTimer m_timer;
    // Guarded: a new dialog may be allocated where the last, deleted one stood.
    QPointer<QWidget> m_current;
    int m_waited = 0;
};

class RegistrationTest : public WindowTest {
protected:
    void putSettings(const std::string& bytes);
    std::string settingsBytes() const;
    FrmMain& openWithPicture(int width = 200, int height = 160);
    // W0, W1, W2, W3, X0, X1, Y0, Y1 and the kind, typed into the panel.
    void setParams(const QStringList& texts, int kind);
    QStringList params();
    // Presses 記録; the name box gets `name` (cancelled when null) and returns its proposal.
    QString record(const QString& name, QStringList* messages = nullptr);
    // Presses 再生 and acts on the list with `inList`; returns the messages shown afterwards.
    QStringList recall(const std::function<void(frmList&)>& inList);
    // Presses 再生 and chooses the row with a mouse click and ＯＫ.
    QStringList recallRow(int row);
    static void clickRow(frmList& list, int row);
};

}  // namespace rimvista::test
