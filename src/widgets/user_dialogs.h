#pragma once

// Qt
#include <QString>
#include <QTemporaryDir>

class QWidget;

namespace quillbox::widgets {

// Everything the main window asks of the user. The window is given one of
// these, so tests can answer in its place.
class UserDialogs {
public:
    UserDialogs() = default;
    UserDialogs(const UserDialogs&) = delete;
    UserDialogs& operator=(const UserDialogs&) = delete;
    virtual ~UserDialogs() = default;

    // Modal Open dialog with the one filter `description` (`patterns`, space
    // separated). Returns the full path chosen, or an empty text on cancel.
    virtual QString openFileName(QWidget* parent, const QString& description,
                                 const QString& patterns) = 0;
    // Modal Save dialog, as openFileName.
    virtual QString saveFileName(QWidget* parent, const QString& description,
                                 const QString& patterns) = 0;
    // Modal message box: OK only, no icon, captioned with the program title.
    // `text` is plain text; "\n" breaks a line.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // As message, with the information icon.
    virtual void information(QWidget* parent, const QString& text) = 0;
};

// The dialogs a user sees: QFileDialog and QMessageBox.
class QtUserDialogs final : public UserDialogs {
public:
    // Qt's file dialog keeps its last folder, history and view in the user's
    // settings when it closes; the program keeps nothing between runs. So
    // while this object lives, the process's user settings go to a folder of
    // its own, removed with it. There is one of these, made in main().
    QtUserDialogs();

    QString openFileName(QWidget* parent, const QString& description,
                         const QString& patterns) override;
    QString saveFileName(QWidget* parent, const QString& description,
                         const QString& patterns) override;
    void message(QWidget* parent, const QString& text) override;
    void information(QWidget* parent, const QString& text) override;

private:
    QTemporaryDir settings_;
};

}  // namespace quillbox::widgets
