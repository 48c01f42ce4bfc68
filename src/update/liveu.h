#pragma once

// own
#include "widgets/services.h"

// Qt
#include <QString>
#include <QWidget>

class QCloseEvent;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

namespace quillbox::update {

class UpdateCheck;

// The update check window: its controls and timers show what its
// UpdateCheck reports, which says whether a newer version exists. Object
// names are the program's control names; the status panels are
// "StatusBar1_Panel1" and "StatusBar1_Panel2".
class liveu final : public QWidget {
    Q_OBJECT

public:
    // What `services` refers to must outlive the window.
    explicit liveu(const widgets::Services& services, QWidget* parent = nullptr);

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Label2_Click();
    void Timer1_Timer();
    void Timer2_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    // The end of a check without a version file: the message, if any; the
    // buttons stay off.
    void checkFailed(const QString& message);
    // The end of a check that has read the version file: `result` in the
    // label and in a message box, then the buttons back.
    void report(const QString& result);

    widgets::UserDialogs& dialogs_;
    platform::Shell& shell_;
    UpdateCheck* check_ = nullptr;  // over the transfer Inet1

    QString StatusText;
    qint16 ElapsedSeconds = 0;

    QGroupBox* Frame1_ = nullptr;
    QLabel* Label1_ = nullptr;
    QPushButton* Command1_ = nullptr;
    QPushButton* Command2_ = nullptr;
    QTimer* Timer1_ = nullptr;
    QTimer* Timer2_ = nullptr;
    QProgressBar* ProgressBar1_ = nullptr;
    QLabel* Label3_ = nullptr;
    QLabel* Label2_ = nullptr;
    QStatusBar* StatusBar1_ = nullptr;
    QLabel* panel1_ = nullptr;
    QLabel* panel2_ = nullptr;
};

}  // namespace quillbox::update
