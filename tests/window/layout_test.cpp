// Every control of the window and its dialogs: name, kind, caption, hint, group, items, first state.

#include "quavrel/window/album_info_form.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/matches_form.h"
#include "quavrel/window/progress_form.h"
#include "window_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace {

struct ControlRow {
    const char *name;
    const char *kind;
    const char *caption; // button/label text, group title or edit text; nullptr = not checked
    const char *hint;
    const char *group; // title of the enclosing group box
};

const ControlRow kMainControls[] = {
    {"DriveSelBox", "QComboBox", nullptr, "", "&Lecteurs de CD-Rom"},
    {"btnCloseCD", "QToolButton", nullptr, "&Fermer le lecteur", "&Lecteurs de CD-Rom"},
    {"btnEjectCD", "QToolButton", nullptr, "&Ouvrir le lecteur", "&Lecteurs de CD-Rom"},
    {"btnCalcDiscID", "QToolButton", nullptr,
     "Se connecter sur internet pour récupérer les informations du disque", "&Informations disque"},
    {"lblArtist", "QLineEdit", "", "", "&Informations disque"},
    {"lblTitle", "QLineEdit", "", "", "&Informations disque"},
    {"Label1", "QLabel", "Artiste:", "", "&Informations disque"},
    {"Label2", "QLabel", "Titre:", "", "&Informations disque"},
    {"lblDiscID", "QLabel", "", "", "&Informations disque"},
    {"lblMusicBrainzID", "QLabel", "", "", "&Informations disque"},
    {"Label4", "QLabel", "Disque ID:", "", "&Informations disque"},
    {"btnPlayTrack", "QToolButton", nullptr, "Lecture", "&Lecteur audio"},
    {"btnStopPlay", "QToolButton", nullptr, "Arrêt", "&Lecteur audio"},
    {"btnPause", "QToolButton", nullptr, "Pause", "&Lecteur audio"},
    {"btnResume", "QToolButton", nullptr, "Reprendre", "&Lecteur audio"},
    {"ListView1", "QTreeWidget", nullptr, "", "&Pistes du CD"},
    {"ComboBox1", "QComboBox", nullptr, "", "Encodeur actuel"},
    {"ProgressBar1", "QProgressBar", nullptr, "", "&Progression"},
    {"ProgressBar2", "QProgressBar", nullptr, "", "&Progression"},
    {"rippage", "QToolButton", nullptr, "Rip/Encode", "&Rippage"},
    {"btnCancelRip", "QToolButton", nullptr, "Annuler le rippage", "&Rippage"},
    {"edtQuery", "QLineEdit", "", "", nullptr},
    {"Edit1", "QLineEdit", "", "", nullptr},
    {"OSlabel", "QLabel", nullptr, "", "&Système d'exploitation"},
    {"Label3", "QLabel", nullptr, "", "&Répertoire d'encodage"},
    {"Button3", "QPushButton", "..", "", "&Répertoire d'encodage"},
    {"creerlesrepertoires", "QCheckBox",
     "&Créer automatiquement les répertoires avec le nom de l'artiste et le nom de l'album", "",
     "&Répertoire d'encodage"},
    {"Label5", "QLabel", "Qualité", "", "&Paramètres Ogg"},
    {"EncQualitySel", "QComboBox", nullptr, "", "&Paramètres Ogg"},
    {"Label12", "QLabel", "Compression", "", "&Paramètres Flac"},
    {"FlacCompressionSel", "QComboBox", nullptr, "", "&Paramètres Flac"},
    {"RadioGroup1", "QGroupBox", "&Encodeur par défaut", "", nullptr},
    {"Label6", "QLabel", "Fréquence", "", "&Paramètres Mp3"},
    {"fquce", "QComboBox", nullptr, "", "&Paramètres Mp3"},
    {"Label7", "QLabel", "Débit", "", "&Paramètres Mp3"},
    {"debitmin", "QComboBox", nullptr, "", "&Paramètres Mp3"},
    {"Label10", "QLabel", "Débit Maximal", "", "&Paramètres Mp3"},
    {"debitmax", "QComboBox", nullptr, "", "&Paramètres Mp3"},
    {"vbr", "QCheckBox", "VBR", "", "&Paramètres Mp3"},
    {"copyright", "QCheckBox", "Copyright", "", "&Paramètres Mp3"},
    {"original", "QCheckBox", "Original", "", "&Paramètres Mp3"},
    {"crc", "QCheckBox", "CRC", "", "&Paramètres Mp3"},
    {"numeropiste", "QCheckBox", "&Numero de piste", "", "&Nom des fichiers"},
    {"nomdepiste", "QCheckBox", "&Nom de la piste", "", "&Nom des fichiers"},
    {"serveur", "QLineEdit", nullptr, "hôte, hôte:port ou http://hôte[:port]/chemin/cddb.cgi",
     "&Nom du serveur actuel"},
    {"textesutf8", "QCheckBox", "Demander les textes en UTF-8 (protocole 6)", "", "&Nom du serveur actuel"},
    {"Button1", "QToolButton", nullptr, "&Obtenir les serveurs", "&Nom du serveur actuel"},
    {"LbServer", "QListWidget", nullptr, "Double click a server to select it",
     "Liste des serveurs disponibles"},
    {"LabelSource", "QLabel", "Source des informations", "", "&Nom du serveur actuel"},
    {"sourceinfos", "QComboBox", nullptr, "", "&Nom du serveur actuel"},
    {"Connexions", "QComboBox", nullptr, "", "Connexion Internet"},
    {"Label8", "QLabel", "&Connexion active: aucune", "", "Connexion Internet"},
    {"Label9", "QLabel", "&Type:", "", "Connexion Internet"},
    {"activer", "QCheckBox", "&Activer la connexion automatiquement", "", "Connexion Internet"},
    {"deconnecter", "QCheckBox", "&Déconnecter en quittant", "", "Connexion Internet"},
    {"CheckBox1", "QCheckBox", nullptr, "", "&Activer CDBB au changement de disque"},
};

QString Caption(const QWidget *widget)
{
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (auto *group = qobject_cast<const QGroupBox *>(widget))
        return group->title();
    if (auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    return {};
}

QString GroupTitle(const QWidget *widget)
{
    for (const QWidget *parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto *group = qobject_cast<const QGroupBox *>(parent))
            return group->title();
    }
    return {};
}

QStringList Items(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// Texts of a menu's entries in order, "-" for a separator.
QStringList Entries(const QMenu *menu)
{
    QStringList entries;
    for (const QAction *action : menu->actions())
        entries << (action->isSeparator() ? QStringLiteral("-")
                                          : action->objectName() + "=" + action->text());
    return entries;
}

} // namespace

using LayoutTest = WindowTest;

TEST_F(LayoutTest, EveryControlOfTheMainWindow)
{
    TCDRipTestForm window;
    for (const ControlRow &row : kMainControls) {
        SCOPED_TRACE(row.name);
        auto *widget = Control<QWidget>(window, row.name);
        if (!widget)
            continue;
        EXPECT_STREQ(widget->metaObject()->className(), row.kind);
        if (row.caption) {
            EXPECT_EQ(Caption(widget), QString::fromUtf8(row.caption));
        }
        EXPECT_EQ(widget->toolTip(), QString::fromUtf8(row.hint));
        if (row.group) {
            EXPECT_EQ(GroupTitle(widget), QString::fromUtf8(row.group));
        }
    }
    for (const char *hidden : {"lblDiscID", "lblMusicBrainzID", "Label4", "edtQuery", "Edit1"})
        EXPECT_TRUE(Control<QWidget>(window, hidden)->isHidden()) << hidden;
    EXPECT_FALSE(Control<QLineEdit>(window, "serveur")->isReadOnly());
    EXPECT_EQ(window.windowTitle(), "Quavrel 1.1");
    EXPECT_EQ(window.StatusText(), "Status:");
    EXPECT_EQ(Control<QProgressBar>(window, "ProgressBar1")->maximum(), 100);
}

TEST_F(LayoutTest, ItemsAndFirstStates)
{
    TCDRipTestForm window;
    struct BoxRow {
        const char *name;
        QStringList items;
        int index;
    };
    const BoxRow boxes[] = {
        {"ComboBox1", {"Ogg", "Mp3", "Wav", "Flac", "Opus"}, 0},
        {"FlacCompressionSel", {"0", "1", "2", "3", "4", "5", "6", "7", "8"}, 5},
        {"EncQualitySel", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, 5},
        {"fquce", {"44100", "32000", "22050"}, 0},
        {"debitmin", {"96", "128", "160", "192", "256", "320"}, 1},
        {"debitmax", {"320", "256", "192", "160", "128", "96"}, 0},
        {"Connexions", {}, -1},
        {"sourceinfos", {"CDDB", "MusicBrainz", "CDDB, puis MusicBrainz si rien n'est trouvé"}, 2},
    };
    for (const BoxRow &row : boxes) {
        auto *box = Control<QComboBox>(window, row.name);
        EXPECT_EQ(Items(box), row.items) << row.name;
        EXPECT_EQ(box->currentIndex(), row.index) << row.name;
    }
    EXPECT_EQ(Control<QComboBox>(window, "Connexions")->placeholderText(), "Connexions");
    for (const char *ticked : {"creerlesrepertoires", "crc", "numeropiste", "activer", "CheckBox1"})
        EXPECT_TRUE(Control<QCheckBox>(window, ticked)->isChecked()) << ticked;
    for (const char *unticked : {"vbr", "copyright", "original", "nomdepiste", "deconnecter", "textesutf8"})
        EXPECT_FALSE(Control<QCheckBox>(window, unticked)->isChecked()) << unticked;
    QStringList radios;
    for (auto *button : Control<QGroupBox>(window, "RadioGroup1")->findChildren<QRadioButton *>())
        radios << button->text() + (button->isChecked() ? "*" : "");
    EXPECT_EQ(radios, (QStringList{"Ogg*", "Mp3", "Wav", "Flac", "Opus"}));

    auto *list = Control<QTreeWidget>(window, "ListView1");
    QStringList columns;
    for (int c = 0; c < list->columnCount(); ++c)
        columns << list->headerItem()->text(c) + "/" + QString::number(list->header()->sectionSize(c));
    EXPECT_EQ(columns,
              (QStringList{"N° de piste/80", "Nom/220", "Durée/70", "Encodage/100", "Taille encodée/120"}));
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_FALSE(list->rootIsDecorated());
}

TEST_F(LayoutTest, TabsMenusAndPopup)
{
    TCDRipTestForm window;
    auto *tabs = Control<QTabWidget>(window, "PageControl1");
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    EXPECT_EQ(titles, (QStringList{"   &Rippage et Encodage", "   &Paramètres Encodeurs",
                                   "   Paramètres &CDDB", "  &A propos"}));
    EXPECT_EQ(Control<QLabel>(window, "Label11")->text(), "Quavrel 1.1");
    EXPECT_FALSE(Control<QLabel>(window, "Image1")->pixmap().isNull());

    EXPECT_EQ(Control<QMenu>(window, "Action1")->title(), "&Action");
    EXPECT_EQ(Entries(Control<QMenu>(window, "Action1")),
              (QStringList{"SauvegarderlesparamtresCDROM1=&Sauvegarder les paramètres CD-ROM", "-",
                           "Ripperlaespistes1=&Ripper la(es) piste(s)",
                           "Annulerlerippageencodage1=&Annuler le rippage - encodage",
                           "Informationssurlalbum1=&Informations sur l'album", "-",
                           "Ouvrirlelecteur1=&Ouvrir le lecteur", "Fermerlelecteur1=&Fermer le lecteur", "-",
                           "Quitter1=&Quitter"}));
    EXPECT_EQ(Control<QMenu>(window, "MenuAide")->title(), "?");
    EXPECT_EQ(Entries(Control<QMenu>(window, "MenuAide")),
              (QStringList{"Aide1=&Aide", "-", "Mcrire1=&M'écrire"}));
    EXPECT_EQ(
        Entries(window.PopupMenu1),
        (QStringList{"N1=Tout &Désélectionner", "ToutSelectionner1=Tout &Sélectionner", "-",
                     "Ripperlaespistes2=&Ripper la(es) pistes", "-", "Renommerlapiste1=Re&nommer la piste",
                     "-", "Informationssurlalbum1=&Informations sur l'album",
                     "Decalagedelecture1=Décalage de &lecture du lecteur...",
                     "Lecturesure1=Lecture sûre (&test et copie)"}));
    for (const char *button : {"btnCloseCD", "btnEjectCD", "btnCalcDiscID", "btnPlayTrack", "btnStopPlay",
                               "btnPause", "btnResume", "rippage", "btnCancelRip", "Button1"})
        EXPECT_FALSE(Control<QToolButton>(window, button)->icon().isNull()) << button;
    EXPECT_EQ(window.ImageList1.size(), 1);
    EXPECT_EQ(window.ImageList2.size(), 1);
}

TEST_F(LayoutTest, TheThreeDialogs)
{
    TfrmProgress progress;
    EXPECT_EQ(progress.windowTitle(), "Obtenir les données sur les serveurs");
    EXPECT_EQ(progress.size(), QSize(304, 49));
    EXPECT_TRUE(Control<QLabel>(progress, "lblCMD")->font().bold());
    Control<QLabel>(progress, "lblState");
    EXPECT_EQ(Control<QPushButton>(progress, "Button1")->text(), "&Abandon");

    TfrmMatches matches;
    EXPECT_EQ(matches.size(), QSize(380, 162));
    EXPECT_EQ(Control<QLabel>(matches, "Label1")->text(), "Double click sur un item pour choisir ");
    EXPECT_EQ(Control<QListWidget>(matches, "LbMatches")->count(), 0);

    TAlbumInfoForm album;
    EXPECT_EQ(album.windowTitle(), "Album Information");
    QStringList labels;
    for (const char *name : {"Label1", "Label2", "Label3", "Label4", "Label5"})
        labels << Control<QLabel>(album, name)->text();
    EXPECT_EQ(labels, (QStringList{"Set input columns before pressing OK button. ", "Track", "Artist",
                                   "Album", "Title"}));
    EXPECT_TRUE(Control<QLineEdit>(album, "strTrackNum")->isReadOnly());
    for (const char *edit : {"strArtist", "strAlbum", "strTitle"})
        EXPECT_FALSE(Control<QLineEdit>(album, edit)->isReadOnly()) << edit;
    EXPECT_EQ(Control<QPushButton>(album, "btnOK")->text(), "OK");
    EXPECT_EQ(Control<QPushButton>(album, "btnCancel")->text(), "Cancel");
}
