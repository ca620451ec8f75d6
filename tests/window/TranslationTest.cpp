#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

#include "window/Translation.h"

TEST(Translation, StandardButtonsSpeakJapanese) {
    ASSERT_TRUE(rimvista::installJapaneseTranslation(*qApp));
    QMessageBox box(QMessageBox::Warning, "Rimvista", "x", QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
    QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Save);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text(), QStringLiteral("保存"));
}
