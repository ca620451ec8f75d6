// ShowPrinter through the real print dialog, and ShowHelp.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPrintDialog>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUrl>

#include "DialogAnswers.h"
#include "window/C_CommonDialog.h"

namespace rimvista::test {
namespace {

TEST(ShowPrinter, PageRangeAndCopiesGoInAndComeBack) {
    C_CommonDialog dlg;
    dlg.Min(1);
    dlg.Max(9);
    dlg.FromPage(3);
    dlg.ToPage(7);
    dlg.Copies(2);
    dlg.flags(0x2);  // start with the page range chosen
    QList<int> shown;
    ModalAnswer answer(answerAs<QPrintDialog>([&](QPrintDialog* d) {
        for (const char* name : {"from", "to", "copies"}) {
            if (auto* box = d->findChild<QSpinBox*>(QString::fromLatin1(name)))
                shown << box->value();
        }
        if (shown.size() == 3) {
            d->findChild<QSpinBox*>(QStringLiteral("to"))->setValue(5);
            d->findChild<QSpinBox*>(QStringLiteral("copies"))->setValue(3);
        }
        d->accept();
    }));
    dlg.ShowPrinter();
    EXPECT_EQ(shown, (QList<int>{3, 7, 2}));
    EXPECT_NE(dlg.APIReturn(), 0);
    EXPECT_EQ(dlg.Action(), 5);
    EXPECT_EQ(dlg.FromPage(), 3);
    EXPECT_EQ(dlg.ToPage(), 5);
    EXPECT_EQ(dlg.Copies(), 3);
    EXPECT_EQ(dlg.Min(), 1);
    EXPECT_EQ(dlg.Max(), 9);
}

TEST(ShowPrinter, ValueBeyond16BitsShowsNoDialog) {
    using Setter = void (C_CommonDialog::*)(std::int32_t);
    const std::pair<Setter, std::int32_t> cases[] = {{&C_CommonDialog::ToPage, 40000},
                                                     {&C_CommonDialog::FromPage, 32768},
                                                     {&C_CommonDialog::Min, -32769},
                                                     {&C_CommonDialog::Copies, 1 << 20}};
    for (const auto& [set, value] : cases) {
        C_CommonDialog dlg;
        dlg.CancelError(true);
        (dlg.*set)(value);
        NoDialogExpected guard;
        EXPECT_NO_THROW(dlg.ShowPrinter());
        EXPECT_FALSE(guard.shown()) << value;
        EXPECT_EQ(dlg.APIReturn(), 0);
    }
}

TEST(ShowHelp, OpensOnlyAnExistingHelpFile) {
    QTemporaryDir dir;
    const QString help = QDir(dir.path()).filePath("manual.html");
    QFile f(help);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    C_CommonDialog dlg;
    QList<QUrl> opened;
    bool opens = true;
    dlg.setHelpOpener([&](const QUrl& url) {
        opened << url;
        return opens;
    });
    for (const QString& missing : {QString(), dir.path() + "/missing.html", dir.path()}) {
        dlg.HelpFile(missing);
        dlg.ShowHelp();
        EXPECT_EQ(dlg.APIReturn(), 0);
        EXPECT_NE(dlg.ExtendedError(), 0);
    }
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(dlg.Action(), 6);

    dlg.HelpFile(help);
    dlg.ShowHelp();
    EXPECT_NE(dlg.APIReturn(), 0);
    EXPECT_EQ(dlg.ExtendedError(), 0);
    EXPECT_EQ(opened, (QList<QUrl>{QUrl::fromLocalFile(help)}));
    opens = false;
    dlg.ShowHelp();
    EXPECT_EQ(dlg.APIReturn(), 0);
    EXPECT_NE(dlg.ExtendedError(), 0);
}

}  // namespace
}  // namespace rimvista::test
