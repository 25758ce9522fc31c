// Qt's standard dialogs speak French once the program has loaded Qt's catalogue.

#include "qt_translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

TEST(QtTranslations, StandardButtonsAndInputBoxInFrench)
{
    ASSERT_TRUE(InstallQtFrenchTranslations(*QCoreApplication::instance()));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                             QDialogButtonBox::No);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "&Annuler");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), "&Oui");
    EXPECT_EQ(buttons.button(QDialogButtonBox::No)->text(), "&Non");
    QInputDialog input;
    input.show();
    const auto *box = input.findChild<QDialogButtonBox *>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->button(QDialogButtonBox::Cancel)->text(), "&Annuler");
    // Later tests in this process see Qt's own texts again.
    qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator *>(Qt::FindDirectChildrenOnly));
    EXPECT_EQ(QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(), "&Cancel");
}
