// own
#include "update/liveu.h"
#include "quillbox/version.h"
#include "shell/shell_open.h"
#include "update/transfer.h"
#include "update/update_check.h"
#include "widgets/link_label.h"
#include "widgets/user_dialogs.h"
#include "widgets/window_icon.h"

// Qt
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>

// std
#include <algorithm>
#include <limits>
#include <memory>

namespace quillbox::update {

namespace {

// Timer1 asks for every millisecond, which Windows timers round up to their
// 15.6 ms tick; a true 1 ms tick would cost an idle window a few percent of a
// core for changes nobody could see.
constexpr int kTimer1Interval = 16;

// The captions of these narrow buttons take two lines.
class WrappingButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                             palette(), isEnabled(), caption, QPalette::ButtonText);
    }
};

// A timer interval as the window sets it: 0 silences the timer.
void setInterval(QTimer& timer, int milliseconds)
{
    if (milliseconds == 0) {
        timer.stop();
    } else {
        timer.start(milliseconds);
    }
}

void makeBold(QWidget& widget)
{
    QFont font = widget.font();
    font.setBold(true);
    widget.setFont(font);
}

}  // namespace

liveu::liveu(const widgets::Services& services, QWidget* parent)
    : QWidget(parent), dialogs_(services.dialogs), shell_(services.desktop.shell)
{
    setObjectName(QStringLiteral("liveu"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Quillbox Update Check (code by Marrow)"));
    setWindowIcon(widgets::programIcon());
    setFixedSize(442, 148);
    buildControls();

    check_ = new UpdateCheck(std::make_unique<NetworkTransfer>(),
                             QString::fromStdString(services.version_url), this);
    connect(check_, &UpdateCheck::stepReached, this, [this](int step, const QString& status) {
        ProgressBar1_->setValue(step);
        StatusText = status;
    });
    connect(check_, &UpdateCheck::failed, this, &liveu::checkFailed);
    connect(check_, &UpdateCheck::answered, this, &liveu::report);
    Form_Load();
}

void liveu::buildControls()
{
    Frame1_ = new QGroupBox(QStringLiteral("Update Check Control Panel"), this);
    Frame1_->setObjectName(QStringLiteral("Frame1"));
    Frame1_->setGeometry(0, 0, 441, 105);

    Label1_ = new QLabel(QStringLiteral("Click Check for New Version to begin"), Frame1_);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setGeometry(8, 24, 313, 33);
    Label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1_->setWordWrap(true);
    makeBold(*Label1_);

    Command1_ = new WrappingButton(QStringLiteral("Check for new version"), Frame1_);
    Command1_->setObjectName(QStringLiteral("Command1"));
    Command1_->setGeometry(328, 15, 105, 37);
    makeBold(*Command1_);
    connect(Command1_, &QPushButton::clicked, this, &liveu::Command1_Click);

    Command2_ = new WrappingButton(QStringLiteral("Close Update Check"), Frame1_);
    Command2_->setObjectName(QStringLiteral("Command2"));
    Command2_->setGeometry(330, 64, 103, 33);
    connect(Command2_, &QPushButton::clicked, this, &liveu::Command2_Click);

    Timer1_ = new QTimer(Frame1_);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1_, &QTimer::timeout, this, &liveu::Timer1_Timer);
    setInterval(*Timer1_, kTimer1Interval);

    Timer2_ = new QTimer(Frame1_);
    Timer2_->setObjectName(QStringLiteral("Timer2"));
    connect(Timer2_, &QTimer::timeout, this, &liveu::Timer2_Timer);

    ProgressBar1_ = new QProgressBar(this);
    ProgressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1_->setGeometry(8, 80, 313, 17);
    ProgressBar1_->setRange(0, 3);
    ProgressBar1_->setValue(0);
    ProgressBar1_->setTextVisible(false);

    Label3_ = new QLabel(QStringLiteral("Quillbox available from:"), this);
    Label3_->setObjectName(QStringLiteral("Label3"));

    Label2_ = new widgets::LinkLabel(QString::fromLatin1(settings::website_host), this,
                                     [this] { Label2_Click(); });
    Label2_->setObjectName(QStringLiteral("Label2"));
    // Fonts wider than the design's get the room their text needs; the link
    // keeps its place just after the label.
    Label3_->setGeometry(6, 108, std::max(127, Label3_->sizeHint().width()), 15);
    Label2_->setGeometry(Label3_->geometry().right() + 4, 108,
                         std::max(182, Label2_->sizeHint().width()), 19);

    StatusBar1_ = new QStatusBar(this);
    StatusBar1_->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1_->setGeometry(0, 123, 442, 25);
    StatusBar1_->setSizeGripEnabled(false);
    panel1_ = new QLabel(StatusBar1_);
    panel1_->setObjectName(QStringLiteral("StatusBar1_Panel1"));
    panel2_ = new QLabel(StatusBar1_);
    panel2_->setObjectName(QStringLiteral("StatusBar1_Panel2"));
    panel2_->setMinimumWidth(150);
    for (QLabel* panel : {panel1_, panel2_}) {
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    StatusBar1_->addWidget(panel1_, 1);
    StatusBar1_->addPermanentWidget(panel2_);
}

void liveu::Form_Load()
{
    StatusText = QStringLiteral("Idle");
    ElapsedSeconds = 0;
}

void liveu::Command1_Click()
{
    ElapsedSeconds = 0;
    setInterval(*Timer2_, 1000);
    Command1_->setEnabled(false);
    Command2_->setEnabled(false);
    // The rest follows as the check reports, whatever dialog is open by then.
    check_->start();
}

void liveu::checkFailed(const QString& message)
{
    if (!message.isEmpty()) {
        dialogs_.information(this, message);
    }
    ProgressBar1_->setValue(3);
    setInterval(*Timer2_, 0);
}

void liveu::report(const QString& result)
{
    Label1_->setText(result);
    ProgressBar1_->setValue(3);
    setInterval(*Timer2_, 0);
    dialogs_.message(this, result);
    Command1_->setEnabled(true);
    Command2_->setEnabled(true);
}

void liveu::Command2_Click() { close(); }

void liveu::Label2_Click() { shell::ShellOpen(shell_, settings::website_address); }

void liveu::Timer1_Timer()
{
    const QString text =
        QStringLiteral("Status: ") + (check_->fetching() ? StatusText : QStringLiteral("Idle"));
    // Ticks come some sixty times a second; most change nothing.
    if (panel1_->text() != text) {
        panel1_->setText(text);
    }
}

void liveu::Timer2_Timer()
{
    // A 16-bit counter: it stops at its top rather than turn negative.
    if (ElapsedSeconds < std::numeric_limits<qint16>::max()) {
        ++ElapsedSeconds;
    }
    panel2_->setText(QStringLiteral("Total Time: %1 Seconds").arg(ElapsedSeconds));
}

void liveu::closeEvent(QCloseEvent* event)
{
    setInterval(*Timer1_, 0);
    setInterval(*Timer2_, 0);
    // No message, nothing left on disk.
    check_->cancel();
    event->accept();
}

}  // namespace quillbox::update
