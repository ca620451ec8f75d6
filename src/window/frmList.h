#pragma once
// The registration list: all 100 slots by name, deletion, and the choice of one registration for
// the replay. Built afresh for every opening, so it always shows the settings file as it is.

#include <QDialog>
#include <cstdint>

class QListWidget;
class QPushButton;

namespace rimvista {

// The slot chosen in the list (1..100), or -1 for none. The caller sets -1 before opening the
// list; the list writes it only on ＯＫ with a valid choice and on 取消.
extern std::int16_t SelectedListNo;

class frmList : public QDialog {
    Q_OBJECT
public:
    // Placed and sized in the owner's screen units; Qt centres it on the owner when shown.
    explicit frmList(QWidget* owner);

    QListWidget* List1 = nullptr;
    QPushButton* cmdDel = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdDel_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls(QWidget* owner);
    void centreOn(QWidget* owner);
    // The selected row, or -1: a row that is only current (the focus frame) is not chosen.
    int ListIndex() const;
};

}  // namespace rimvista
