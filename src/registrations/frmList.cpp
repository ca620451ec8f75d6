#include "registrations/frmList.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "app/cInifile.h"
#include "common/NumberText.h"
#include "registrations/RegistrationStore.h"

namespace rimvista {

std::int16_t SelectedListNo = -1;

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

const QString& placeholder() {
    static const QString text = qs(reg::kUnregisteredName);
    return text;
}

// Twips to pixels at the screen's logical DPI (1440 twips to the inch), as the main window does.
class TwipsScale {
public:
    explicit TwipsScale(const QWidget* owner) {
        const QScreen* s = owner ? owner->screen() : QGuiApplication::primaryScreen();
        if (s) {
            m_perPixelX = 1440.0 / s->logicalDotsPerInchX();
            m_perPixelY = 1440.0 / s->logicalDotsPerInchY();
        }
    }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }
    int x(int twips) const { return static_cast<int>(num::nearest(twips / m_perPixelX)); }
    int y(int twips) const { return static_cast<int>(num::nearest(twips / m_perPixelY)); }

private:
    double m_perPixelX = 15.0;
    double m_perPixelY = 15.0;
};

}  // namespace

frmList::frmList(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("frmList");
    setWindowTitle(QStringLiteral("登録リスト"));
    createControls(owner);
    Form_Load();
}

void frmList::createControls(QWidget* owner) {
    const TwipsScale scale(owner);
    setFixedSize(scale.x(3600), scale.y(2625));

    List1 = new QListWidget(this);
    List1->setObjectName("List1");
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setGeometry(scale.rect(180, 120, 3195, 1860));

    const auto button = [&](const char* name, const char* caption, int left, int width) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(scale.rect(left, 2100, width, 315));
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
    for (int slot = 1; slot <= reg::kSlotCount; ++slot) {
        names.append(QString::fromStdString(reg::readName(Ini(), slot)));
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

}  // namespace rimvista
