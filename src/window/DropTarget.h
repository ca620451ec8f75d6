#pragma once
// Lets the window accept files dropped on a control: installed as an event filter on picCont and
// Picture1, it asks the window whether the dragged data would do and hands it over on release.

#include <QObject>

namespace rimvista {

class FrmMain;

class DropTarget : public QObject {
    Q_OBJECT
public:
    explicit DropTarget(FrmMain* window);
    // Makes `control` take drops and routes them to the window.
    void attach(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FrmMain* m_window;
};

}  // namespace rimvista
