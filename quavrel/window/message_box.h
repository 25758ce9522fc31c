#pragma once
// Every message box of the window goes through here, so that tests can watch them without a
// modal loop.

#include <functional>
#include <optional>

#include <QString>

class QWidget;

// Shows text, as plain text, in a box with an OK button, without waiting for it to be closed;
// caption empty = the application name.
void ShowMessageBox(QWidget *parent, const QString &text, const QString &caption = {});

// The same, and Closed runs once the box is closed (at once under a hook).
void ShowMessageBoxThen(QWidget *parent, const QString &text, std::function<void()> Closed);

// Replaces the box: the hook receives the text and caption instead. An empty hook restores the box.
using MessageBoxHook = std::function<void(const QString &text, const QString &caption)>;
void SetMessageBoxHook(MessageBoxHook hook);

// The same box with the error icon; caption empty = "Erreur". Goes to the same hook.
void ShowErrorBox(QWidget *parent, const QString &text, const QString &caption = {});

// Asks for one line of text: the text typed, or Default when the user cancels.
QString InputBox(QWidget *parent, const QString &caption, const QString &prompt, const QString &Default);

// Replaces the input box: the hook receives caption, prompt and default text and answers the text
// typed, or nullopt for a cancel. An empty hook restores the box.
using InputBoxHook = std::function<std::optional<QString>(const QString &caption, const QString &prompt,
                                                          const QString &Default)>;
void SetInputBoxHook(InputBoxHook hook);
