// The format box, the encoder parameters of the settings tab and the output directory.

#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/folder_browser.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"

#include <QDir>

namespace {

// The number shown by the box's selected item.
uint32_t SelectedNumber(const QComboBox *box)
{
    return box->currentText().toUInt();
}

} // namespace

void TCDRipTestForm::ApplyEncoderParameters()
{
    // The box picks the MP3's rate; the PCM given to the encoder stays the ripper's 44100 Hz.
    LameCoder1.SetReSampleRate(SelectedNumber(ui->fquce));
    LameCoder1.SetBitrate(SelectedNumber(ui->debitmin));
    LameCoder1.SetMaxBitrate(SelectedNumber(ui->debitmax));
    LameCoder1.SetEnableVBR(ui->vbr->isChecked());
    LameCoder1.SetCopyright(ui->copyright->isChecked());
    LameCoder1.SetOriginal(ui->original->isChecked());
    LameCoder1.SetCRC(ui->crc->isChecked());
}

void TCDRipTestForm::ComboBox1Change()
{
    switch (ui->ComboBox1->currentIndex()) {
    case kFormatOgg:
        EncoderDescription = QStringLiteral("Ogg - Qualité: ") + ui->EncQualitySel->currentText();
        break;
    case kFormatMp3:
        EncoderDescription =
            QStringLiteral("Mp3 - Débit: ") + ui->debitmin->currentText() + QStringLiteral(" Ko/s");
        break;
    case kFormatWav:
        EncoderDescription = QStringLiteral("Wav");
        break;
    case kFormatFlac:
        EncoderDescription = FlacDescription();
        break;
    case kFormatOpus:
        EncoderDescription = OpusDescription();
        break;
    default:
        return;
    }
    // Data-track rows have no "Encodage" cell and keep their two cells.
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = ui->ListView1->topLevelItem(row);
        if (item->columnCount() > kEncodingColumn)
            item->setText(kEncodingColumn, EncoderDescription);
    }
}

void TCDRipTestForm::EncQualitySelChange()
{
    ComboBox1Change();
}

QString TCDRipTestForm::FlacDescription() const
{
    return QStringLiteral("Flac - Compression: ") + ui->FlacCompressionSel->currentText();
}

void TCDRipTestForm::FlacCompressionSelChange()
{
    ComboBox1Change();
}

void TCDRipTestForm::fquceChange()
{
    LameCoder1.SetReSampleRate(SelectedNumber(ui->fquce));
}

void TCDRipTestForm::debitminChange()
{
    LameCoder1.SetBitrate(SelectedNumber(ui->debitmin));
    ComboBox1Change();
}

// The two rates are independent: neither box checks or changes the other.
void TCDRipTestForm::debitmaxChange()
{
    LameCoder1.SetMaxBitrate(SelectedNumber(ui->debitmax));
}

void TCDRipTestForm::vbrClick()
{
    LameCoder1.SetEnableVBR(ui->vbr->isChecked());
}

void TCDRipTestForm::copyrightClick()
{
    LameCoder1.SetCopyright(ui->copyright->isChecked());
}

void TCDRipTestForm::originalClick()
{
    LameCoder1.SetOriginal(ui->original->isChecked());
}

void TCDRipTestForm::crcClick()
{
    LameCoder1.SetCRC(ui->crc->isChecked());
}

void TCDRipTestForm::Button3Click()
{
    // Opens at the current output folder, so a change of subfolder is one step.
    const QString chosen = BrowseForFolder(this, QStringLiteral("Répertoire d'encodage"), ui->Label3->text());
    if (chosen.isEmpty())
        return;
    QString directory = QDir::toNativeSeparators(chosen);
    // The rip appends names straight to this text; a root already ends with the separator.
    if (!directory.endsWith(QDir::separator()))
        directory += QDir::separator();
    ui->Label3->setText(directory);
}
