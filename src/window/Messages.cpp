#include "window/Messages.h"

#include <QMessageBox>

namespace rimvista {

void showMessage(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace rimvista
