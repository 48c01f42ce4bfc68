// own
#include "app/form1.h"
#include "about/frm_about.h"
#include "quillbox/version.h"
#include "saves/extract.h"
#include "saves/line_breaks.h"
#include "saves/open_save.h"
#include "shell/end_program.h"
#include "update/liveu.h"
#include "widgets/user_dialogs.h"
#include "widgets/window_icon.h"
#include "widgets/window_list.h"

// Qt
#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>

// std
#include <cstddef>
#include <optional>
#include <string>

namespace quillbox::app {

namespace {

// A message of the core's, as a message box shows it.
QString messageText(const std::string& text)
{
    return QString::fromStdString(saves::plain_line_breaks(text));
}

// Captions come from save data: control bytes are not shown, so that they
// cannot break the line.
QString plainCaption(const std::string& text)
{
    QString caption = QString::fromStdString(text);
    for (QChar& c : caption) {
        if (c.category() == QChar::Other_Control) {
            c = QChar::ReplacementCharacter;
        }
    }
    return caption;
}

// A caption as a control's text: "&" stays an "&" rather than marking an
// access key.
QString literal(QString caption) { return caption.replace(QLatin1Char('&'), QStringLiteral("&&")); }

// Takes a drag that carries one file, and only as a copy: a program that
// offered a move would delete the file once the drop is done. Returns the
// file's path when the drag is taken.
std::optional<QString> takeSave(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    const QString path = urls.size() == 1 ? urls.front().toLocalFile() : QString();
    if (path.isEmpty() || QFileInfo(path).isDir() || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return std::nullopt;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return path;
}

}  // namespace

Form1::Form1(const widgets::Services& services, QWidget* parent)
    : QMainWindow(parent), services_(services), dialogs_(services.dialogs)
{
    setObjectName(QStringLiteral("Form1"));
    // Minimize and close, but no maximize: the window has one size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(widgets::programIcon());
    setAcceptDrops(true);

    buildControls();
    buildMenus();
    // The client area is fixed; the window adds only the menu bar to it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    widgets::loadWindow(this);
    refresh();
    Form_Load();
}

void Form1::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(314, 501);
    setCentralWidget(client);

    Frame1_ = new QGroupBox(client);
    Frame1_->setObjectName(QStringLiteral("Frame1"));
    Frame1_->setGeometry(16, 8, 281, 449);
    // The caption sits on the frame's top line, as the slot positions
    // assume; styles that put it above the line would cover the first slot.
    Frame1_->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));

    Option1Group_ = new QButtonGroup(this);
    Option1Group_->setObjectName(QStringLiteral("Option1"));
    for (std::size_t i = 0; i < saves::kSlotCount; ++i) {
        const int index = static_cast<int>(i);
        auto* option = new QRadioButton(Frame1_);
        option->setObjectName(QStringLiteral("Option1_%1").arg(index));
        option->setGeometry(8, 16 + 24 * index, 265, 17);
        Option1Group_->addButton(option, index);
        Option1_[i] = option;
    }
    // The core reads the selection from the state, so a user's choice goes there.
    connect(Option1Group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && !refreshing_) {
            state_.select(static_cast<std::size_t>(id));
        }
    });

    cmdExtract_ = new QPushButton(QStringLiteral("Extract"), client);
    cmdExtract_->setObjectName(QStringLiteral("cmdExtract"));
    cmdExtract_->setGeometry(16, 464, 89, 25);
    connect(cmdExtract_, &QPushButton::clicked, this, &Form1::cmdExtract_Click);
}

QAction* Form1::addMenuItem(QMenu* menu, const char* name, const QString& caption,
                            void (Form1::*handler)())
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, handler);
    return action;
}

void Form1::buildMenus()
{
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    addMenuItem(mnuFile, "mnuFileOpen", QStringLiteral("&Open"), &Form1::mnuFileOpen_Click);
    addMenuItem(mnuFile, "mnuFileExtract", QStringLiteral("&Extract data"),
                &Form1::mnuFileExtract_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuFileSep1"));
    addMenuItem(mnuFile, "mnuFileExit", QStringLiteral("&Exit"), &Form1::mnuFileExit_Click);

    QMenu* mnuProgram = menuBar()->addMenu(QStringLiteral("&Program"));
    mnuProgram->setObjectName(QStringLiteral("mnuProgram"));
    addMenuItem(mnuProgram, "mnuProgramUpdate", QStringLiteral("&Update"),
                &Form1::mnuProgramUpdate_Click);
    mnuProgram->addSeparator()->setObjectName(QStringLiteral("mnusep2"));
    addMenuItem(mnuProgram, "mnuProgramAbout", QStringLiteral("&About"),
                &Form1::mnuProgramAbout_Click);
}

void Form1::refresh()
{
    refreshing_ = true;
    Frame1_->setTitle(literal(plainCaption(state_.frame_caption)));
    for (std::size_t i = 0; i < saves::kSlotCount; ++i) {
        const QString caption = plainCaption(state_.slots[i].caption);
        QRadioButton* option = Option1_[i];
        option->setText(literal(caption));
        option->setEnabled(state_.slots[i].enabled);
        // A caption that the slot's fixed width cuts off shows whole in its tooltip.
        const bool cut = option->sizeHint().width() > option->width();
        option->setToolTip(cut ? Qt::convertFromPlainText(caption, Qt::WhiteSpaceNoWrap)
                               : QString());
    }
    // An exclusive group cannot show "none selected"; lift it while setting.
    Option1Group_->setExclusive(false);
    for (std::size_t i = 0; i < saves::kSlotCount; ++i) {
        Option1_[i]->setChecked(state_.slots[i].selected);
    }
    Option1Group_->setExclusive(true);
    refreshing_ = false;
}

void Form1::Form_Load()
{
    setWindowTitle(QStringLiteral("Quillbox ") + QLatin1String(version::text));
}

void Form1::mnuFileOpen_Click()
{
    openSave(dialogs_.openFileName(this, QStringLiteral("PS2 Save Files"),
                                   QStringLiteral("*.PSU *.PSD *.XPS *.SPS")));
}

void Form1::openSave(const QString& path)
{
    const saves::OpenOutcome outcome = saves::open_save(state_, path.toStdString());
    refresh();
    if (outcome.message) {
        dialogs_.message(this, messageText(*outcome.message));
    }
}

void Form1::cmdExtract_Click()
{
    if (const std::optional<std::string> refusal = saves::check_loaded(state_)) {
        dialogs_.message(this, messageText(*refusal));
        return;
    }
    extract_data();
}

void Form1::mnuFileExtract_Click() { cmdExtract_Click(); }

void Form1::extract_data()
{
    const QString target =
        dialogs_.saveFileName(this, QStringLiteral("Data file *.bin"), QStringLiteral("*.bin"));
    const saves::ExtractOutcome outcome = saves::extract_data(state_, target.toStdString());
    if (outcome.message) {
        dialogs_.message(this, messageText(*outcome.message));
    }
}

void Form1::mnuFileExit_Click() { shell::EndProgram(true); }

void Form1::Form_Unload() { shell::EndProgram(true); }

void Form1::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void Form1::dragEnterEvent(QDragEnterEvent* event) { takeSave(event); }

void Form1::dragMoveEvent(QDragMoveEvent* event) { takeSave(event); }

void Form1::dropEvent(QDropEvent* event)
{
    if (const std::optional<QString> path = takeSave(event)) {
        // Once the drop has ended, so that a message box does not keep the
        // program the file came from waiting.
        QMetaObject::invokeMethod(
            this, [this, save = *path] { openSave(save); }, Qt::QueuedConnection);
    }
}

void Form1::mnuProgramUpdate_Click()
{
    widgets::showSecondary(liveu_, [this] { return new update::liveu(services_); });
}

void Form1::mnuProgramAbout_Click()
{
    widgets::showSecondary(frmAbout_, [this] { return new about::frmAbout(services_); });
}

}  // namespace quillbox::app
