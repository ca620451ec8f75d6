#include "support/ModalAnswer.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

namespace rimvista::test {

namespace {
constexpr int kPollMs = 20;
}

ModalAnswer::ModalAnswer(std::function<void(QWidget*)> handler, int timeoutMs)
    : m_handler(std::move(handler)), m_timeout(timeoutMs) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start(kPollMs);
}

ModalAnswer::~ModalAnswer() {
    m_timer.stop();
}

void ModalAnswer::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && !m_answered) {
        m_answered = true;
        m_handler(modal);
        return;
    }
    m_elapsed += kPollMs;
    if (!m_answered && m_elapsed >= m_timeout && m_elapsed < m_timeout + kPollMs) {
        ADD_FAILURE() << "no modal window appeared within " << m_timeout << " ms";
    }
    if (modal && m_elapsed >= m_timeout) {
        // Something unexpected is waiting for an answer: close it rather than hang.
        if (auto* d = qobject_cast<QDialog*>(modal))
            d->reject();
        else
            modal->close();
    }
}

MessageBoxAnswer::MessageBoxAnswer(int timeoutMs)
    : m_box(std::make_shared<ShownBox>()),
      m_answer(
          [box = m_box](QWidget* w) {
              auto* mb = qobject_cast<QMessageBox*>(w);
              if (!mb) {
                  ADD_FAILURE() << "expected a message box, got " << w->metaObject()->className();
                  if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
                  return;
              }
              box->shown = true;
              box->title = mb->windowTitle();
              box->text = mb->text();
              box->icon = mb->icon();
              box->buttonCount = static_cast<int>(mb->buttons().size());
              if (!mb->buttons().isEmpty())
                  mb->buttons().first()->click();
              else
                  mb->reject();
          },
          timeoutMs) {}

}  // namespace rimvista::test
