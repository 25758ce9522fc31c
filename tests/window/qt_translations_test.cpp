// Qt's standard dialogs speak French once the program has loaded Qt's catalogue.

#include "quavrel/window/qt_translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

// Whether a button shows a mnemonic depends on the platform theme.
QString Caption(const QDialogButtonBox &box, QDialogButtonBox::StandardButton which)
{
    return box.button(which)->text().remove(u'&');
}

} // namespace

TEST(QtTranslations, StandardButtonsAndInputBoxInFrench)
{
    ASSERT_TRUE(InstallQtFrenchTranslations(*QCoreApplication::instance()));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                             QDialogButtonBox::No);
    EXPECT_EQ(Caption(buttons, QDialogButtonBox::Cancel), "Annuler");
    EXPECT_EQ(Caption(buttons, QDialogButtonBox::Yes), "Oui");
    EXPECT_EQ(Caption(buttons, QDialogButtonBox::No), "Non");
    QInputDialog input;
    input.show();
    const auto *box = input.findChild<QDialogButtonBox *>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Caption(*box, QDialogButtonBox::Cancel), "Annuler");
    // Later tests in this process see Qt's own texts again.
    qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator *>(Qt::FindDirectChildrenOnly));
    EXPECT_EQ(Caption(QDialogButtonBox(QDialogButtonBox::Cancel), QDialogButtonBox::Cancel), "Cancel");
}
