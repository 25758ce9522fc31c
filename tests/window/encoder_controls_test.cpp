// The format box, the encoder parameters and the output directory of the settings tab.

#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/folder_browser.h"
#include "ui_TCDRipTestForm.h"
#include "window_test_support.h"

#include <QDir>

namespace {

// Rows as the track list holds them: audio rows with five cells, a data row with three.
void AddRows(TCDRipTestForm &window)
{
    auto *list = window.Controls()->ListView1;
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{"1", "?", "04:07", window.EncoderDescription, ""}));
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{"2", "?", "00:09", window.EncoderDescription, ""}));
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{"3", "?", "Piste de données"}));
}

QStringList EncodingColumn(const TCDRipTestForm &window)
{
    QStringList texts;
    auto *list = window.Controls()->ListView1;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        texts << list->topLevelItem(row)->text(3);
    return texts;
}

// What the user's choice in a box does: select, then the box's activation.
void Choose(QComboBox *box, const QString &text)
{
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

using EncoderControlsTest = WindowTest;

TEST_F(EncoderControlsTest, BitRateRewritesAudioRowsWithTheUnit)
{
    StoreValues({{"Encodeur", "1"}});
    TCDRipTestForm window;
    AddRows(window);
    Choose(window.Controls()->debitmin, "256");
    EXPECT_EQ(window.LameCoder1.Bitrate(), 256u);
    EXPECT_EQ(EncodingColumn(window), (QStringList{"Mp3 - Débit: 256 Ko/s", "Mp3 - Débit: 256 Ko/s", ""}));
    EXPECT_EQ(window.Controls()->ListView1->topLevelItem(2)->columnCount(), 3);
    EXPECT_EQ(window.Controls()->ListView1->topLevelItem(2)->text(2), "Piste de données");
}

TEST_F(EncoderControlsTest, QualityFollowsTheCurrentFormatOnly)
{
    TCDRipTestForm window;
    AddRows(window);
    Choose(window.Controls()->EncQualitySel, "7");
    EXPECT_EQ(EncodingColumn(window), (QStringList{"Ogg - Qualité: 7", "Ogg - Qualité: 7", ""}));
    Choose(window.Controls()->ComboBox1, "Wav");
    Choose(window.Controls()->EncQualitySel, "2");
    EXPECT_EQ(EncodingColumn(window), (QStringList{"Wav", "Wav", ""}));
    EXPECT_EQ(window.EncoderDescription, "Wav");
}

TEST_F(EncoderControlsTest, Mp3ParametersGoToTheEncoderUnchecked)
{
    TCDRipTestForm window;
    auto *ui = window.Controls();
    Choose(ui->debitmin, "320");
    Choose(ui->debitmax, "96");
    EXPECT_EQ(window.LameCoder1.Bitrate(), 320u);
    EXPECT_EQ(window.LameCoder1.MaxBitrate(), 96u);
    EXPECT_EQ(ui->debitmin->currentText(), "320");
    Choose(ui->fquce, "22050");
    // The MP3 is resampled; the PCM handed to the encoder is still the ripper's.
    EXPECT_EQ(window.LameCoder1.ReSampleRate(), 22050u);
    EXPECT_EQ(window.LameCoder1.SampleRate(), 44100u);

    ui->vbr->click();
    EXPECT_TRUE(window.LameCoder1.EnableVBR() && window.LameCoder1.WriteVBRHeader());
    ui->vbr->click();
    EXPECT_FALSE(window.LameCoder1.EnableVBR() || window.LameCoder1.WriteVBRHeader());
    ui->copyright->click();
    ui->original->click();
    ui->crc->click();
    EXPECT_TRUE(window.LameCoder1.Copyright() && window.LameCoder1.Original());
    EXPECT_FALSE(window.LameCoder1.CRC());
}

TEST_F(EncoderControlsTest, DefaultFormatWaitsForTheNextStart)
{
    TCDRipTestForm window;
    AddRows(window);
    window.Controls()->RadioGroup1Mp3->click();
    EXPECT_EQ(window.Controls()->ComboBox1->currentText(), "Ogg");
    EXPECT_EQ(EncodingColumn(window), (QStringList{"Ogg - Qualité: 5", "Ogg - Qualité: 5", ""}));
}

TEST_F(EncoderControlsTest, ChosenFolderEndsWithOneSeparator)
{
    TCDRipTestForm window;
    auto *label = window.Controls()->Label3;
    QString answer;
    QString askedTitle;
    QString askedStart;
    SetFolderBrowserHook([&](const QString &title, const QString &start) {
        askedTitle = title;
        askedStart = start;
        return answer;
    });
    answer = "/srv/musique";
    const QString before = label->text();
    window.Controls()->Button3->click();
    EXPECT_EQ(askedTitle, "Répertoire d'encodage");
    EXPECT_EQ(askedStart, before);
    EXPECT_EQ(label->text(), "/srv/musique" + QString(QDir::separator()));
    answer = "/";
    window.Controls()->Button3->click();
    EXPECT_EQ(askedStart, "/srv/musique" + QString(QDir::separator()));
    EXPECT_EQ(label->text(), "/");
    answer.clear();
    window.Controls()->Button3->click();
    window.Controls()->Button3->click();
    EXPECT_EQ(label->text(), "/");
    SetFolderBrowserHook({});
}
