#pragma once
// Every message box of the window goes through here, so that tests can watch them without a
// modal loop.

#include <functional>

#include <QString>

class QWidget;

// Shows text in a modal box with an OK button; caption empty = the application name.
void ShowMessageBox(QWidget *parent, const QString &text, const QString &caption = {});

// Replaces the box: the hook receives the text and caption instead. An empty hook restores the box.
using MessageBoxHook = std::function<void(const QString &text, const QString &caption)>;
void SetMessageBoxHook(MessageBoxHook hook);
