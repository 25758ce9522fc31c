#include "quavrel/window/album_info_form.h"

#include "ui_TAlbumInfoForm.h"

TAlbumInfoForm::TAlbumInfoForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::TAlbumInfoForm>())
{
    ui->setupUi(this);
    connect(ui->btnOK, &QPushButton::clicked, this, &TAlbumInfoForm::btnOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TAlbumInfoForm::btnCancelClick);
}

TAlbumInfoForm::~TAlbumInfoForm() = default;

void TAlbumInfoForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TAlbumInfoForm::FormShow()
{
    savedArtist_ = ui->strArtist->text();
    savedAlbum_ = ui->strAlbum->text();
    savedTitle_ = ui->strTitle->text();
    accepted_ = false;
    showing_ = true;
}

void TAlbumInfoForm::btnOKClick()
{
    accepted_ = true;
    accept();
}

void TAlbumInfoForm::btnCancelClick()
{
    reject();
}

void TAlbumInfoForm::FormClose()
{
    // A dialog closed without having shown has no edits to undo.
    if (!showing_)
        return;
    showing_ = false;
    if (accepted_)
        return;
    ui->strArtist->setText(savedArtist_);
    ui->strAlbum->setText(savedAlbum_);
    ui->strTitle->setText(savedTitle_);
}

void TAlbumInfoForm::done(int result)
{
    FormClose();
    QDialog::done(result);
}
