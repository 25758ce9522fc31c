#include "quavrel/window/message_box.h"

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

// Never a modal loop: a rip or a request under way goes on while the box is shown. Texts come from
// files and servers as well as from the window: never read as rich text, where a stored
// "<img src=...>" would make the box load whatever it names.
QMessageBox *ShowBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

} // namespace

void ShowMessageBox(QWidget *parent, const QString &text, const QString &caption)
{
    const QString title = caption.isEmpty() ? QCoreApplication::applicationName() : caption;
    if (Hook()) {
        Hook()(text, title);
        return;
    }
    ShowBox(parent, QMessageBox::Information, title, text);
}

void ShowMessageBoxThen(QWidget *parent, const QString &text, std::function<void()> Closed)
{
    const QString title = QCoreApplication::applicationName();
    if (Hook()) {
        Hook()(text, title);
        Closed();
        return;
    }
    QObject::connect(ShowBox(parent, QMessageBox::Information, title, text), &QDialog::finished,
                     [closed = std::move(Closed)](int) { closed(); });
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
    ShowBox(parent, QMessageBox::Critical, title, text);
}

QString InputBox(QWidget *parent, const QString &caption, const QString &prompt, const QString &Default)
{
    if (InputHook())
        return InputHook()(caption, prompt, Default).value_or(Default);
    bool accepted = false;
    const QString text =
        QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, Default, &accepted);
    return accepted ? text : Default;
}

void SetInputBoxHook(InputBoxHook hook)
{
    InputHook() = std::move(hook);
}
