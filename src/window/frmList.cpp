#include "window/frmList.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

#include "core/RegistrationStore.h"
#include "core/cInifile.h"
#include "window/QtText.h"
#include "window/Twips.h"

namespace rimvista {

std::int16_t SelectedListNo = -1;

namespace {

const QString& placeholder() {
    static const QString text = fromUtf8(reg::kUnregisteredName);
    return text;
}

}  // namespace

frmList::frmList(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("frmList");
    setWindowTitle(QStringLiteral("登録リスト"));
    createControls(owner);
    centreOn(owner);
    Form_Load();
}

void frmList::centreOn(QWidget* owner) {
    if (!owner || !owner->isVisible()) return;
    // Placed here rather than left to Qt, whose placement a window manager may override with
    // its own: a position the program asks for is one the manager keeps. The dialog's frame is
    // not known before it is shown; the owner's stands in for it.
    const QRect ownerFrame = owner->frameGeometry();
    const QSize frame = ownerFrame.size() - owner->geometry().size();
    const QSize outer = size() + frame;
    move(ownerFrame.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

void frmList::createControls(QWidget* owner) {
    const TwipsPerPixel scale =
        twipsPerPixel(owner ? owner->screen() : QGuiApplication::primaryScreen());
    setFixedSize(twipsToPixels(3600, scale.x), twipsToPixels(2625, scale.y));

    List1 = new QListWidget(this);
    List1->setObjectName("List1");
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setGeometry(twipsToPixels(QRectF(180, 120, 3195, 1860), scale));
    List1->installEventFilter(this);

    const auto button = [&](const char* name, const char* caption, int left, int width) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(twipsToPixels(QRectF(left, 2100, width, 315), scale));
        return b;
    };
    cmdDel = button("cmdDel", "削除", 180, 975);
    cmdOK = button("cmdOK", "ＯＫ", 1260, 1035);
    cmdCancel = button("cmdCancel", "取消", 2400, 975);
    cmdOK->setDefault(true);

    setTabOrder(List1, cmdDel);
    setTabOrder(cmdDel, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    List1->setFocus();

    connect(cmdDel, &QPushButton::clicked, this, &frmList::cmdDel_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmList::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmList::cmdCancel_Click);
}

void frmList::Form_Load() {
    QStringList names;
    names.reserve(reg::kSlotCount);
    // One read of the file for all hundred names; a file that cannot be read lists none.
    const Result<IniSnapshot> stored = reg::slotsSnapshot(Ini());
    const IniSnapshot none(std::string_view(), {}, {});
    for (int slot = 1; slot <= reg::kSlotCount; ++slot) {
        names.append(QString::fromStdString(reg::readName(stored ? *stored : none, slot)));
    }
    List1->clear();
    List1->addItems(names);
}

int frmList::ListIndex() const {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    return selected.isEmpty() ? -1 : List1->row(selected.first());
}

void frmList::cmdOK_Click() {
    const int index = ListIndex();
    if (index < 0 || List1->item(index)->text() == placeholder()) return;
    SelectedListNo = static_cast<std::int16_t>(index + 1);
    accept();
}

void frmList::cmdCancel_Click() {
    SelectedListNo = -1;
    reject();
}

void frmList::cmdDel_Click() {
    const int index = ListIndex();
    if (index < 0) return;
    List1->item(index)->setText(placeholder());
    reg::deleteRegistration(Ini(), index + 1);
}

void frmList::keyPressEvent(QKeyEvent* event) {
    // Esc presses 取消 rather than only closing, as the dialog's cancel button.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmList::eventFilter(QObject* watched, QEvent* event) {
    // Qt makes the first row current, unselected, when the list takes the focus, so its first
    // Down would select the second slot. A list with nothing selected starts at the first slot.
    if (watched == List1 && event->type() == QEvent::KeyPress && ListIndex() < 0) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool toFirst =
            key->key() == Qt::Key_Down || key->key() == Qt::Key_Up || key->key() == Qt::Key_Home;
        if (toFirst && key->modifiers() == Qt::NoModifier && List1->count() > 0) {
            List1->setCurrentRow(0);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace rimvista
