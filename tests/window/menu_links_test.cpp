// Help and mail open through the desktop; the quit item closes the window through the save.

#include "quavrel/window/cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"
#include "window_test_support.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void Open(const QUrl &url) { urls << url; }
};

using MenuLinksTest = WindowTest;

TEST_F(MenuLinksTest, HelpPageAndMailLink)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "Open");
    QDesktopServices::setUrlHandler("mailto", &catcher, "Open");
    TCDRipTestForm window;
    window.Controls()->Aide1->trigger();
    window.Controls()->Mcrire1->trigger();
    QDesktopServices::unsetUrlHandler("file");
    QDesktopServices::unsetUrlHandler("mailto");

    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0].toLocalFile(), TCDRipTestForm::HelpFile());
    QFile help(TCDRipTestForm::HelpFile());
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(help.readAll());
    EXPECT_TRUE(page.contains("QUAVREL_DRIVES") && page.contains("Paramètres Encodeurs"));
    EXPECT_EQ(catcher.urls[1].scheme(), "mailto");
    EXPECT_TRUE(catcher.urls[1].toString().endsWith("?subject=Quavrel"));
}

TEST_F(MenuLinksTest, QuitSavesAndCloses)
{
    TCDRipTestForm window;
    window.show();
    window.Controls()->Quitter1->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(StoredValue("Largeur"), "603");
}

#include "menu_links_test.moc"
