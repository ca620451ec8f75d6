// ShowPrinter.
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <optional>

#include "core/NumberText.h"
#include "window/C_CommonDialog.h"
#include "window/CommonDialogSupport.h"

namespace rimvista {

namespace {

constexpr std::int32_t kSelection = 0x1;
constexpr std::int32_t kPageNums = 0x2;
constexpr std::int32_t kNoSelection = 0x4;
constexpr std::int32_t kNoPageNums = 0x8;
constexpr std::int32_t kCollate = 0x10;

// The page numbers and copies as the dialog takes them: 16-bit, or nothing when one overflows.
struct PageSettings {
    std::int16_t fromPage, toPage, minPage, maxPage, copies;
};

std::optional<PageSettings> pageSettings(std::int32_t from, std::int32_t to, std::int32_t min,
                                         std::int32_t max, std::int32_t copies) {
    const auto f = num::toInt16(from), t = num::toInt16(to), lo = num::toInt16(min),
               hi = num::toInt16(max), c = num::toInt16(copies);
    if (!f || !t || !lo || !hi || !c) return std::nullopt;
    return PageSettings{*f, *t, *lo, *hi, *c};
}

void preparePrinter(QPrinter& printer, const PageSettings& pages, std::int32_t flags) {
    // Without any printer the dialog still works, offering output to a file.
    if (QPrinterInfo::availablePrinters().isEmpty()) printer.setOutputFormat(QPrinter::PdfFormat);
    if (pages.fromPage >= 1 && pages.fromPage <= pages.toPage) {
        printer.setFromTo(pages.fromPage, pages.toPage);
    }
    if (pages.copies >= 1) printer.setCopyCount(pages.copies);
    if (flags & kCollate) printer.setCollateCopies(true);
    if (flags & kPageNums)
        printer.setPrintRange(QPrinter::PageRange);
    else if (flags & kSelection)
        printer.setPrintRange(QPrinter::Selection);
    else
        printer.setPrintRange(QPrinter::AllPages);
}

}  // namespace

C_CommonDialog::Outcome C_CommonDialog::runPrinterDialog() {
    const std::optional<PageSettings> pages =
        pageSettings(m_fromPage, m_toPage, m_min, m_max, m_copies);
    if (!pages) return Outcome::Aborted;  // before any dialog is shown
    if (!comdlg::dialogsAvailable()) {
        m_extendedError = cderr::kInitialization;
        return Outcome::Failed;
    }
    QPrinter printer;
    preparePrinter(printer, *pages, m_flags);
    QPrintDialog dialog(&printer, comdlg::ownerWidget(m_hwndOwner));
    dialog.setMinMax(pages->minPage, pages->maxPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, !(m_flags & kNoPageNums));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, !(m_flags & kNoSelection));
    if (dialog.exec() != QDialog::Accepted) return Outcome::Cancelled;

    m_apiReturn = 1;
    // Pages are only reported back when the user printed a range; otherwise the page boxes
    // were not in use and keep what the caller put in.
    if (printer.printRange() == QPrinter::PageRange) {
        m_fromPage = printer.fromPage();
        m_toPage = printer.toPage();
    }
    m_min = dialog.minPage();
    m_max = dialog.maxPage();
    m_copies = printer.copyCount();
    return Outcome::Confirmed;
}

}  // namespace rimvista
