// ShowColor and ShowFont through the real dialogs, and the cancel error of the picker dialogs.
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QPushButton>
#include <algorithm>

#include "DialogAnswers.h"
#include "window/C_CommonDialog.h"
#include "window/CommonDialogSupport.h"

namespace rimvista::test {
namespace {

// Answers the colour dialog: records its start and first custom colour; then, when `pick` is
// valid, makes it current, adds it to the custom colours with the dialog's button and confirms.
ModalAnswer answerColor(QColor& start, QColor& firstCustom, const QColor& pick = {}) {
    return ModalAnswer(answerAs<QColorDialog>([&start, &firstCustom, pick](QColorDialog* d) {
        start = d->currentColor();
        firstCustom = QColorDialog::customColor(0);
        if (!pick.isValid()) return d->reject();
        d->setCurrentColor(pick);
        for (auto* b : d->findChildren<QPushButton*>()) {
            if (b->text().contains(QStringLiteral("Custom"))) b->click();
        }
        d->accept();
    }));
}

TEST(ShowColor, ColorTravelsAsBgrAndCustomColorsStayWithTheirObject) {
    const QColor applicationOwn = QColorDialog::customColor(0);
    C_CommonDialog first, second;
    first.Color(0x00302010);
    QColor start, custom;
    {
        ModalAnswer answer = answerColor(start, custom, QColor(1, 2, 3));
        first.ShowColor();
    }
    EXPECT_EQ(start, QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(first.Color(), 0x00030201);
    EXPECT_NE(first.APIReturn(), 0);
    EXPECT_EQ(first.Action(), 3);
    EXPECT_EQ(custom, QColor(Qt::white));  // a new object starts all white
    {
        ModalAnswer answer = answerColor(start, custom);
        first.ShowColor();
    }
    EXPECT_EQ(custom, QColor(1, 2, 3));  // kept from the object's earlier dialog
    {
        ModalAnswer answer = answerColor(start, custom);
        second.ShowColor();
    }
    EXPECT_EQ(custom, QColor(Qt::white));
    EXPECT_EQ(QColorDialog::customColor(0), applicationOwn);
}

// A face of the family that is neither bold nor slanted, as a person would pick from the list.
QString uprightStyle(const QString& family) {
    for (const QString& style : QFontDatabase::styles(family)) {
        const QFont face = QFontDatabase::font(family, style, 12);
        if (face.weight() < QFont::Bold && face.style() == QFont::StyleNormal) return style;
    }
    ADD_FAILURE() << "no upright face in " << family.toStdString();
    return QString();
}

TEST(ShowFont, StartsFromThePropertiesAndReturnsTheChosenFont) {
    C_CommonDialog dlg;
    dlg.FontSize(12);
    dlg.FontBold(true);
    dlg.FontItalic(true);
    QFont start, chosen;
    ModalAnswer answer(answerAs<QFontDialog>([&](QFontDialog* d) {
        start = chosen = d->currentFont();
        chosen.setStyleName(uprightStyle(chosen.family()));
        chosen.setPointSize(14);
        chosen.setUnderline(true);
        chosen.setStrikeOut(true);
        d->setCurrentFont(chosen);
        d->accept();
    }));
    dlg.ShowFont();
    EXPECT_EQ(start.pointSize(), 12);
    EXPECT_TRUE(start.bold());
    // A family without an italic face (a Japanese desktop's default) starts upright.
    const QStringList styles = QFontDatabase::styles(start.family());
    if (std::any_of(styles.begin(), styles.end(),
                    [&](const QString& s) { return QFontDatabase::italic(start.family(), s); })) {
        EXPECT_TRUE(start.italic());
    }
    EXPECT_EQ(dlg.FontSize(), 14);
    EXPECT_EQ(dlg.FontName(), chosen.family());
    EXPECT_FALSE(dlg.FontBold());
    EXPECT_FALSE(dlg.FontItalic());
    EXPECT_TRUE(dlg.FontUnderline());
    EXPECT_TRUE(dlg.FontStrikethru());
    EXPECT_EQ(dlg.Action(), 4);
}

// The dialog only offers whole points, so the halves are checked at the conversion it uses.
TEST(ShowFont, TenthsRoundHalvesToEvenAndOverflowShowsNothing) {
    EXPECT_EQ(comdlg::pointsFromTenths(105), 10);
    EXPECT_EQ(comdlg::pointsFromTenths(115), 12);
    EXPECT_EQ(comdlg::pointsFromTenths(116), 12);
    QFont f;
    f.setPointSizeF(10.25);
    EXPECT_EQ(comdlg::tenthsOfFont(f), 102);

    C_CommonDialog dlg;
    dlg.CancelError(true);
    dlg.FontSize(300000000);  // its tenths overflow 32 bits
    NoDialogExpected guard;
    EXPECT_NO_THROW(dlg.ShowFont());
    EXPECT_FALSE(guard.shown());
    EXPECT_EQ(dlg.APIReturn(), 0);
}

TEST(PickerCancel, RaisesError2001OnlyWhenCancelErrorIsSet) {
    for (auto show :
         {&C_CommonDialog::ShowColor, &C_CommonDialog::ShowFont, &C_CommonDialog::ShowPrinter}) {
        C_CommonDialog dlg;
        dlg.Color(0x00123456);
        dlg.CancelError(true);
        int number = 0;
        {
            ModalAnswer answer(answerAs<QDialog>([](QDialog* d) { d->reject(); }));
            try {
                (dlg.*show)();
            } catch (const CommonDialogError& e) {
                number = e.number;
            }
        }
        EXPECT_EQ(number, 2001);
        EXPECT_EQ(dlg.APIReturn(), 0);
        EXPECT_EQ(dlg.ExtendedError(), 0);
        EXPECT_EQ(dlg.Color(), 0x00123456);

        dlg.CancelError(false);
        ModalAnswer answer(answerAs<QDialog>([](QDialog* d) { d->reject(); }));
        EXPECT_NO_THROW((dlg.*show)());
        EXPECT_TRUE(answer.answered());
    }
}

}  // namespace
}  // namespace rimvista::test
