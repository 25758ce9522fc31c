#include "message_box.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

MessageBoxHook &Hook()
{
    static MessageBoxHook hook;
    return hook;
}

InputBoxHook &InputHook()
{
    static InputBoxHook hook;
    return hook;
}

} // namespace

void ShowMessageBox(QWidget *parent, const QString &text, const QString &caption)
{
    const QString title = caption.isEmpty() ? QCoreApplication::applicationName() : caption;
    if (Hook()) {
        Hook()(text, title);
        return;
    }
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

void SetMessageBoxHook(MessageBoxHook hook)
{
    Hook() = std::move(hook);
}

void ShowErrorBox(QWidget *parent, const QString &text, const QString &caption)
{
    const QString title = caption.isEmpty() ? QStringLiteral("Erreur") : caption;
    if (Hook()) {
        Hook()(text, title);
        return;
    }
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

QString InputBox(QWidget *parent, const QString &caption, const QString &prompt, const QString &Default)
{
    if (InputHook())
        return InputHook()(caption, prompt, Default).value_or(Default);
    bool accepted = false;
    const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, Default, &accepted);
    return accepted ? text : Default;
}

void SetInputBoxHook(InputBoxHook hook)
{
    InputHook() = std::move(hook);
}
