#pragma once
// Qt's file dialog with the classic "path must exist" rule, which Qt's save mode lacks: a name
// in a folder that does not exist is refused with a message and the dialog stays open, as it
// does on open for a file that does not exist.

#include <QFileDialog>
#include <optional>

namespace rimvista {

class CheckedFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void setPathMustExist(bool on) { m_pathMustExist = on; }

    // The folder a chosen name would be written to, when that folder does not exist.
    static std::optional<QString> missingFolder(const QString& chosen);

    void accept() override;

private:
    bool m_pathMustExist = false;
};

}  // namespace rimvista
