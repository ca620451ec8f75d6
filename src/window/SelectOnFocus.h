#pragma once
// Runs a box's GotFocus handler whenever the box receives the focus from another control, so
// the handler can select the whole text. A left click that gives the focus would otherwise
// undo that selection at once (the press places the cursor), so after such a click the handler
// runs again, unless the user dragged out a selection of their own.

#include <QObject>
#include <functional>

class QLineEdit;

namespace rimvista {

class SelectOnFocus : public QObject {
public:
    // Watches `box` for its life; owned by the box.
    SelectOnFocus(QLineEdit* box, std::function<void()> gotFocus);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_box;
    std::function<void()> m_gotFocus;
    bool m_focusFromPress = false;   // the focus came with a mouse press not yet delivered
    bool m_selectOnRelease = false;  // that press was the left button's
};

}  // namespace rimvista
