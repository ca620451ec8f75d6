#pragma once
// CommonDialog1: the main window's file-dialog control. Its settings live on between uses; each
// Show builds a fresh dialog from them and writes back what the user chose.

#include <QString>
#include <QStringList>

class QWidget;

namespace rimvista {

class FileDialogControl {
public:
    // Flag bits honoured (the classic open-file-name values).
    static constexpr long kOverwritePrompt = 2;
    static constexpr long kPathMustExist = 2048;
    static constexpr long kFileMustExist = 4096;

    bool CancelError = false;
    QString InitDir;
    QString FileName;  // initial name in, chosen full path out
    long Flags = 0;
    QString Filter;       // "description|patterns|description|patterns", patterns split by ";"
    int FilterIndex = 0;  // 1-based; after a Show, the filter the user left selected
    QString DefaultExt;   // without dot

    // Shows the dialog modally; true when a file was chosen, false when cancelled.
    bool ShowOpen(QWidget* parent);
    bool ShowSave(QWidget* parent);

    // Qt name filters for a filter string. Each keeps its description as the visible text and
    // carries its patterns, blank-separated, in a last pair of brackets.
    static QStringList nameFilters(const QString& filter);

private:
    bool show(QWidget* parent, bool save);
};

}  // namespace rimvista
