#pragma once
// Answers modal windows opened by the code under test. A timer polls
// QApplication::activeModalWidget(); the first modal widget found is handed to the handler.
// If none appears within the time limit the test fails, and any modal that appears later is
// rejected so a test never hangs.

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

namespace rimvista::test {

class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> handler, int timeoutMs = 5000);
    ~ModalAnswer();
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    bool answered() const { return m_answered; }

private:
    void poll();

    std::function<void(QWidget*)> m_handler;
    QTimer m_timer;
    int m_elapsed = 0;
    int m_timeout;
    bool m_answered = false;
};

// What a message box showed; filled in when the box is answered with its first button.
struct ShownBox {
    bool shown = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
};

// Answers the next message box by pressing its (only) button and records what it showed.
class MessageBoxAnswer {
public:
    explicit MessageBoxAnswer(int timeoutMs = 5000);
    const ShownBox& box() const { return *m_box; }
    bool answered() const { return m_answer.answered(); }

private:
    std::shared_ptr<ShownBox> m_box;
    ModalAnswer m_answer;
};

}  // namespace rimvista::test
