#pragma once

// own
#include "widgets/user_dialogs.h"

// Qt
#include <QStringList>

namespace quillbox::testing {

// Answers the windows' file dialogs and logs what they showed: the filter of
// each file dialog, the text of each message ("(i) " before an information
// box's).
struct ScriptedDialogs final : widgets::UserDialogs {
    QString answer;  // the full path chosen; empty means Cancel
    QStringList log;

    QString openFileName(QWidget*, const QString& text, const QString& patterns) override
    {
        log << text + " (" + patterns + ')';
        return answer;
    }
    QString saveFileName(QWidget* parent, const QString& text, const QString& patterns) override
    {
        return openFileName(parent, text, patterns);
    }
    void message(QWidget*, const QString& text) override { log << text; }
    void information(QWidget*, const QString& text) override { log << "(i) " + text; }
};

}  // namespace quillbox::testing
