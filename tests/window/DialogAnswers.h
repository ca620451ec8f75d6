#pragma once
// Driving the wrapper's real Qt dialogs offscreen: the modal dialog a Show operation opens is
// answered from ModalAnswer's polling timer, the way a person would answer it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>

#include "support/ModalAnswer.h"

namespace rimvista::test {

// A ModalAnswer handler for a dialog of type D; any other window is a failure and is closed.
template <typename D>
std::function<void(QWidget*)> answerAs(std::function<void(D*)> act) {
    return [act = std::move(act)](QWidget* w) {
        if (auto* d = qobject_cast<D*>(w)) return act(d);
        ADD_FAILURE() << "unexpected window " << w->metaObject()->className();
        if (auto* other = qobject_cast<QDialog*>(w)) other->reject();
    };
}

// Answers the next file dialog: `look` sees it first, then `name` is typed into the name box and
// confirmed, or the dialog is cancelled when `name` is empty. The box gets the focus first, as
// only then does typing replace a file already selected in the list.
inline ModalAnswer answerFileDialog(const QString& name,
                                    std::function<void(QFileDialog*)> look = {}) {
    return ModalAnswer(answerAs<QFileDialog>([name, look](QFileDialog* d) {
        if (look) look(d);
        auto* box = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name.isEmpty() || !box) return d->reject();
        d->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        box->setFocus(Qt::OtherFocusReason);
        box->setText(name);
        static_cast<QDialog*>(d)->accept();  // QFileDialog hides its accept()
    }));
}

// For calls that must show nothing: a modal that appears anyway is rejected and recorded. A Show
// operation that returns without a dialog never runs the event loop, so this never fires.
class NoDialogExpected {
public:
    NoDialogExpected() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                m_shown = true;
                d->reject();
            }
        });
        m_timer.start(20);
    }
    bool shown() const { return m_shown; }

private:
    QTimer m_timer;
    bool m_shown = false;
};

}  // namespace rimvista::test
