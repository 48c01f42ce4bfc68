// The main window and the windows it opens and ends, driven offscreen as a
// user would: menus and buttons, with dialogs answered by a script, a
// desktop that logs what it is asked, and the version file served on
// 127.0.0.1.

// own
#include "app/command_line.h"
#include "app/form1.h"
#include "cli/json.h"
#include "quillbox/version.h"
#include "saves/messages.h"
#include "support/fake_desktop.h"
#include "support/save_builder.h"
#include "update/download_file.h"
#include "widgets/user_dialogs.h"
#include "widgets/window_list.h"

// Qt
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QRadioButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

// std
#include <algorithm>
#include <functional>
#include <memory>

using namespace quillbox;

namespace {

// The user's folders, empty, set before Qt looks at them: the windows keep
// nothing there.
const QTemporaryDir home;
const bool homeSet = qputenv("HOME", home.path().toLocal8Bit()) &&
                     qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());

// Answers the file dialogs and logs what the windows showed: the filter of
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

// Takes connections as they come and answers them only when told to.
struct Server : QTcpServer {
    Server() { listen(QHostAddress::LocalHost); }
    void answer(int status, const QByteArray& body)
    {
        while (QTcpSocket* s = nextPendingConnection()) {
            s->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nConnection: close\r\n" +
                     "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            s->disconnectFromHost();
        }
    }
};

QString text(const QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }
void click(const QWidget* w, const char* name)
{
    QTest::mouseClick(w->findChild<QWidget*>(name), Qt::LeftButton);
}

QByteArray bytes(const testing::Bytes& b)
{
    return {reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size())};
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        const QString url = QString("http://127.0.0.1:%1/qbver.txt").arg(server_.serverPort());
        form_ = std::make_unique<app::Form1>(
            widgets::Services{dialogs_, desktop_.desktop, url.toStdString()});
        form_->show();
        desktop_.calls.clear();
    }
    void cleanup()
    {
        form_.reset();  // gone without a close event, which would end the program
        for (QWidget* w : QApplication::topLevelWidgets()) {
            w->close();  // any window a failed test left open
        }
    }

    // File, Open in the dialog a user sees, closed at once: nothing is kept.
    void realDialogsKeepNothing()
    {
        widgets::QtUserDialogs dialogs;
        app::Form1 form({dialogs, desktop_.desktop});
        QString shown;
        QTimer::singleShot(0, [&] {
            shown = QApplication::activeModalWidget()->metaObject()->className();
            QApplication::activeModalWidget()->close();
        });
        QMetaObject::invokeMethod(form.findChild<QObject*>("mnuFileOpen"), "trigger");
        QCOMPARE(shown, "QFileDialog");
        QVERIFY(homeSet);
        QCOMPARE(QDir(home.path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                     .join(' '),
                 "");
    }

    // A session of File, Open and Extract; the Extract button and File, Extract
    // data run the same handler.
    void openAndExtract()
    {
        QCOMPARE(form_->windowTitle(), "Quillbox " + QString(version::text));
        QCOMPARE(use("cmdExtract", "out.bin") + use("mnuFileExtract", "out.bin"),  // and no dialog
                 QStringList(2, saves::messages::kLoadFirst));
        const QString cut = "BESLES-50325<W&M>WWWWWWWWWWWWWW";  // 31 characters, cut off
        const std::vector sections = {testing::section("icon.sys", 964, 7),
                                      testing::section("view\t&co.ico", 1357, 3),
                                      testing::section(cut.toStdString(), 2, 0)};
        testing::write_file(path("GAME.XPS"), testing::xport_save("BEDEMO&GAME", sections));
        const QStringList openDialog{"PS2 Save Files (*.PSU *.PSD *.XPS *.SPS)"};
        QCOMPARE(use("mnuFileOpen", "GAME.XPS"), openDialog);
        // The frame and the slots ("*" selected, "-" disabled, then any tooltip's
        // text): "&" literally, a control character as U+FFFD, and no start or length value on
        // screen.
        const QList options = form_->findChildren<QRadioButton*>();
        QString shown = form_->findChild<QGroupBox*>("Frame1")->title();
        for (const QRadioButton* option : options) {
            const QString tip = QTextDocumentFragment::fromHtml(option->toolTip()).toPlainText();
            shown += '|' + option->text() + (option->isChecked() ? "*" : "") +
                     (option->isEnabled() ? "" : "-") + (tip.isEmpty() ? "" : " tip: " + tip);
        }
        QCOMPARE(shown, "BEDEMO&&GAME|icon.sys*|view\uFFFD&&co.ico|" +
                            QString(cut).replace("&", "&&") + " tip: " + cut +
                            QString("|-").repeated(15));
        options[1]->click();
        const QString loaded = record();
        QCOMPARE(use("mnuFileOpen"), openDialog);  // cancelled
        QCOMPARE(record(), loaded);
        QCOMPARE(use("cmdExtract"), QStringList{"Data file *.bin (*.bin)"});  // cancelled
        QCOMPARE(use("mnuFileExtract", "out.bin"),
                 QStringList({"Data file *.bin (*.bin)", saves::messages::kExtracted}));
        QCOMPARE(bytes(testing::read_file(path("out.bin"))), bytes(sections[1].data));
    }

    // A save given on the command line, by a name in the current folder, or
    // dropped on the window (offered as a move, taken as a copy) leaves the
    // record that File, Open leaves: the state and the message, as
    // `quillbox-cli list --json` writes them.
    void sameRoadAsFileOpen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<testing::Bytes>("bytes");  // none: the file does not exist
        const std::vector sections = {testing::section("icon.sys", 964)};
        QTest::newRow("EMS") << "GAME.psd" << testing::ems_save("BEDEMO", sections);
        QTest::newRow("Xport") << "GAME.SPS" << testing::xport_save("BEDEMO", sections);
        QTest::newRow("Xport V1") << "v1.xps"
                                  << testing::xport_save("OLD", sections, testing::with_variant(1));
        QTest::newRow("unreadable") << "missing.psu" << testing::Bytes();
    }
    void sameRoadAsFileOpen()
    {
        QFETCH(QString, name);
        QFETCH(testing::Bytes, bytes);
        if (!bytes.empty()) {
            testing::write_file(path(name), bytes);
        }
        const QString byFileOpen = recordAfter([&] {
            use("mnuFileOpen", name);
            dialogs_.log.removeFirst();  // the dialog's own line
        });
        QVERIFY(QDir::setCurrent(tmp_.path()));
        QCOMPARE(recordAfter([&] { form_->openSave(app::parseCommandLine({name}).save); }),
                 byFileOpen);
        QCOMPARE(recordAfter([&] {
                     QMimeData data;
                     data.setUrls({QUrl::fromLocalFile(tmp_.filePath(name))});
                     QCOMPARE(drag(data, Qt::CopyAction | Qt::MoveAction), Qt::CopyAction);
                 }),
                 byFileOpen);
    }

    // Anything but one file is refused before it is dropped, and opens nothing.
    void dropRefused_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");  // none: a text alone
        QTest::addColumn<int>("actions");
        const QUrl file = QUrl::fromLocalFile(tmp_.filePath("a.psu"));
        QTest::newRow("two files") << QList{file, file} << int(Qt::CopyAction);
        QTest::newRow("a folder") << QList{QUrl::fromLocalFile(tmp_.path())} << int(Qt::CopyAction);
        QTest::newRow("a text") << QList<QUrl>() << int(Qt::CopyAction);
        QTest::newRow("a move only") << QList{file} << int(Qt::MoveAction);
    }
    void dropRefused()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(int, actions);
        testing::write_file(path("a.psu"), testing::ems_save("BEDEMO", {}));
        QCOMPARE(recordAfter([&] {
                     QMimeData data;
                     data.setText("a.psu");
                     data.setUrls(urls);
                     QCOMPARE(drag(data, Qt::DropActions(actions)), Qt::IgnoreAction);
                 }),
                 recordAfter([] {}));
    }

    // Program, Update and a check the whole way, answered at a tick of the
    // seconds' timer while a modal dialog is up: the check ends inside the
    // dialog. The link works meanwhile. Logged in order: the progress bar,
    // the status panel at the answer, the messages, then the label and how
    // many buttons are enabled.
    void updateCheck_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("end");  // the log after the answer
        const QString newer = QString("%1.%2").arg(version::major).arg(version::minor + 1);
        const QString update =
            "There is an update available to version " + newer + " at " + settings::website_host;
        const QString failed = "(i) " + QString(update::kTransferFailed) +
                               " | 3/3 | Click Check for New Version to begin | 0";
        QTest::newRow("newer") << 200 << newer.toLatin1()
                               << "2/3 | 3/3 | " + update + " | " + update + " | 2";
        QTest::newRow("404") << 404 << newer.toLatin1() << failed;
        QTest::newRow("over the cap") << 200 << QByteArray(64 * 1024 + 1, '1') << failed;
    }
    void updateCheck()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, end);
        use("mnuProgramUpdate");
        const QPointer<QWidget> w = widgets::loadedWindows().back();
        auto* bar = w->findChild<QProgressBar*>("ProgressBar1");
        QDialog modal;
        connect(bar, &QProgressBar::valueChanged, [&](int v) {
            dialogs_.log << QString("%1/%2").arg(v).arg(bar->maximum());
            if (v == 3) {
                modal.accept();  // the check is over
            }
        });
        int seconds = 0;
        auto* timer2 = w->findChild<QTimer*>("Timer2");
        connect(timer2, &QTimer::timeout, [&] {
            ++seconds;
            if (modal.isVisible() && server_.hasPendingConnections()) {
                dialogs_.log << text(w, "StatusBar1_Panel1");
                QCOMPARE(text(w, "StatusBar1_Panel2"),
                         QString("Total Time: %1 Seconds").arg(seconds));
                click(w, "Label2");
                server_.answer(status, body);
            }
        });
        QTimer::singleShot(10000, &modal, &QDialog::reject);  // a check that cannot end fails
        int result = -1;
        QTimer::singleShot(0, &modal, [&] { result = modal.exec(); });
        click(w, "Command1");
        QTRY_COMPARE_WITH_TIMEOUT(result, int(QDialog::Accepted), 15000);
        dialogs_.log << text(w, "Label1")
                     << QString::number(w->findChild<QWidget*>("Command1")->isEnabled() +
                                        w->findChild<QWidget*>("Command2")->isEnabled());
        QCOMPARE(dialogs_.log.join(" | "), "1/3 | Status: Checking for updated version. | " + end);
        QCOMPARE(QString::fromStdString(desktop_.calls),
                 "Open|" + QString(settings::website_address) + "||C:\\|1");
        QVERIFY(!timer2->isActive());
        QTRY_COMPARE(text(w, "StatusBar1_Panel1"), "Status: Idle");
        w->close();  // from the title bar, even with its buttons off: gone, so it opens fresh
        QTRY_VERIFY(w.isNull());
    }

    // Program, About and Program, Update: one window each, brought forward when
    // asked for again, made anew once closed by its button. The About box's
    // link and System Info work (an empty registry, no tool of the desktop's
    // own). Then the end of the program closes them all, a stray window loaded
    // by nobody too, also when the main window is already closing.
    void secondaryWindowsAndEnd_data()
    {
        QTest::addColumn<bool>("viaExit");
        QTest::newRow("File, Exit") << true;
        QTest::newRow("close box") << false;
    }
    void secondaryWindowsAndEnd()
    {
        QFETCH(bool, viaExit);
        for (const auto& [action, button] :
             {std::pair{"mnuProgramUpdate", "Command2"}, std::pair{"mnuProgramAbout", "cmdOK"}}) {
            use(action);
            const QPointer<QWidget> first = widgets::loadedWindows().back();
            QTRY_COMPARE(QApplication::activeWindow(), first.data());
            form_->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), form_.get());
            use(action);  // the one instance, brought forward
            QTRY_COMPARE(QApplication::activeWindow(), first.data());
            click(first, button);
            QTRY_VERIFY(first.isNull());
            use(action);  // made anew: it is among the windows ended below
        }
        QWidget* box = widgets::loadedWindows().back();
        QCOMPARE(box->windowTitle() + ": " + text(box, "lblVersion"),
                 "About Quillbox: Version " + QString(version::text));
        click(box, "Label3");
        click(box, "cmdSysInfo");
        QCOMPARE(QString::fromStdString(desktop_.calls),
                 "Open|" + QString(settings::website_address) + "||C:\\|1 open open");
        QCOMPARE(dialogs_.log, QStringList{"System Information Is Unavailable At This Time"});

        QWidget stray;  // as a dialog of some library's would be: the newest, so closed first
        stray.show();
        qApp->installEventFilter(this);
        QApplication::setQuitOnLastWindowClosed(false);  // only EndProgram ends the loop
        QTimer::singleShot(0, [&] { viaExit ? void(use("mnuFileExit")) : void(form_->close()); });
        QTimer::singleShot(5000, form_.get(), [] { QCoreApplication::exit(1); });  // a hang fails
        QCOMPARE(QCoreApplication::exec(), 0);
        qApp->removeEventFilter(this);
        // Newest first, the main window last; the close box closes it first.
        QCOMPARE(closed_.join(","), viaExit ? ",frmAbout,liveu,Form1" : "Form1,,frmAbout,liveu");
        closed_.clear();
        QTRY_VERIFY(std::ranges::none_of(QApplication::topLevelWidgets(), &QWidget::isVisible));
    }

private:
    // Logs the windows asked to close, in order.
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Close && o->isWidgetType()) {
            closed_ << o->objectName();
        }
        return false;
    }

    std::string path(const QString& name) const { return tmp_.filePath(name).toStdString(); }

    // The window's state and the messages `shown`, as `quillbox-cli list
    // --json` writes them.
    QString record(const QStringList& shown = {}) const
    {
        const auto message =
            shown.isEmpty() ? std::nullopt : std::optional(shown.join('\n').toStdString());
        return QString::fromStdString(cli::json_text(cli::state_json(form_->state(), message)));
    }
    // The record a new window leaves after `road`.
    QString recordAfter(const std::function<void()>& road)
    {
        init();
        dialogs_.log.clear();
        road();
        QCoreApplication::sendPostedEvents();
        return record(dialogs_.log);
    }

    // Drags `data` over the window and drops it there, `actions` offered and
    // a move proposed (Shift held); returns the action the window took.
    Qt::DropAction drag(const QMimeData& data, Qt::DropActions actions)
    {
        const QPoint at(100, 100);
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(form_.get(), &enter);
        QDropEvent drop(at, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(form_.get(), &drop);
        return enter.isAccepted() == drop.isAccepted() && drop.isAccepted() ? drop.dropAction()
                                                                            : Qt::IgnoreAction;
    }

    // Clicks the button or triggers the menu item `control`, any file dialog
    // answered with `name` in the temp folder ("" cancels); returns what the
    // window showed.
    QStringList use(const QString& control, const QString& name = {})
    {
        dialogs_.log.clear();
        dialogs_.answer = name.isEmpty() ? QString() : tmp_.filePath(name);
        QMetaObject::invokeMethod(form_->findChild<QObject*>(control),
                                  control.startsWith("cmd") ? "click" : "trigger");
        return dialogs_.log;
    }

    Server server_;
    QTemporaryDir tmp_;
    ScriptedDialogs dialogs_;
    testing::FakeDesktop desktop_;
    std::unique_ptr<app::Form1> form_;
    QStringList closed_;
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
