#include "RegistrationFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <fstream>
#include <iterator>

#include "support/TestPictures.h"

namespace rimvista::test {

namespace {
constexpr int kPollMs = 10;
constexpr int kPatienceMs = 5000;
}  // namespace

ModalScript::ModalScript() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start(kPollMs);
}

void ModalScript::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    if (modal == m_current) {
        m_waited += kPollMs;
        if (m_waited < kPatienceMs) return;
        ADD_FAILURE() << "modal window left open: " << modal->metaObject()->className();
        if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
        return;
    }
    m_current = modal;
    m_waited = 0;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        messages << box->windowTitle() + "|" + box->text();
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->buttons().size(), 1);
        box->buttons().first()->click();
    } else if (auto* name = qobject_cast<QInputDialog*>(modal); name && onName) {
        ++nameBoxes;
        onName(*name);
    } else if (auto* list = qobject_cast<frmList*>(modal); list && onList) {
        ++lists;
        // Keys go where the user's would: into the list, once its window has the focus (on a
        // busy machine the offscreen platform may leave the owner active).
        if (!QTest::qWaitForWindowActive(list, 1000)) {
            list->activateWindow();
            (void)QTest::qWaitForWindowActive(list);
        }
        onList(*list);
    }
}

void RegistrationTest::putSettings(const std::string& bytes) {
    std::ofstream(settingsPath().toStdString(), std::ios::binary | std::ios::trunc) << bytes;
}

std::string RegistrationTest::settingsBytes() const {
    std::ifstream in(settingsPath().toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

FrmMain& RegistrationTest::openWithPicture(int width, int height) {
    FrmMain& w = openWindow();
    givePicture(randomSurface(width, height, 11));
    return w;
}

void RegistrationTest::setParams(const QStringList& texts, int kind) {
    const char* names[] = {"txtW(0)", "txtW(1)", "txtW(2)", "txtW(3)",
                           "txtX(0)", "txtX(1)", "txtY(0)", "txtY(1)"};
    for (int i = 0; i < 8; ++i) box(names[i])->setText(texts[i]);
    control<QRadioButton>(kind == 0 ? "optA(0)" : "optA(1)")->setChecked(true);
}

QStringList RegistrationTest::params() {
    QStringList texts;
    for (const char* n :
         {"txtW(0)", "txtW(1)", "txtW(2)", "txtW(3)", "txtX(0)", "txtX(1)", "txtY(0)", "txtY(1)"})
        texts << box(n)->text();
    texts << (control<QRadioButton>("optA(1)")->isChecked() ? "1" : "0");
    return texts;
}

QString RegistrationTest::record(const QString& name, QStringList* messages) {
    ModalScript script;
    QString proposal;
    script.onName = [&](QInputDialog& box) {
        proposal = box.textValue();
        if (name.isNull()) {
            box.reject();
            return;
        }
        auto* edit = box.findChild<QLineEdit*>();
        edit->setText(name);
        QTest::keyClick(edit, Qt::Key_Return);
    };
    click("cmdRec");
    if (messages) *messages = script.messages;
    return proposal;
}

QStringList RegistrationTest::recall(const std::function<void(frmList&)>& inList) {
    ModalScript script;
    script.onList = inList;
    click("cmdLoad");
    EXPECT_EQ(script.lists, 1);
    return script.messages;
}

QStringList RegistrationTest::recallRow(int row) {
    return recall([row](frmList& list) {
        clickRow(list, row);
        QTest::mouseClick(list.cmdOK, Qt::LeftButton);
    });
}

void RegistrationTest::clickRow(frmList& list, int row) {
    QListWidgetItem* item = list.List1->item(row);
    list.List1->scrollToItem(item);
    QTest::mouseClick(list.List1->viewport(), Qt::LeftButton, {},
                      list.List1->visualItemRect(item).center());
}

}  // namespace rimvista::test
