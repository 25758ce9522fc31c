#include "message_box.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

// Texts come from files and servers as well as from the window: never read as rich text, where a
// stored "<img src=...>" would make the box load whatever it names.
void ShowPlainBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

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
    ShowPlainBox(parent, QMessageBox::Information, title, text);
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
    ShowPlainBox(parent, QMessageBox::Critical, title, text);
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
