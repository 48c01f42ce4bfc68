// own
#include "app/command_line.h"
#include "app/form1.h"
#include "cli/json.h"
#include "quillbox/version.h"
#include "saves/messages.h"
#include "support/fake_desktop.h"
#include "support/save_builder.h"
#include "support/scripted_dialogs.h"

// Qt
#include <QApplication>
#include <QDropEvent>
#include <QGroupBox>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

// std
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

using namespace quillbox;

// The user's folders, empty, set before Qt looks at them: the windows keep
// nothing there.
const QTemporaryDir home;
const bool homeSet = qputenv("HOME", home.path().toLocal8Bit()) &&
                     qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());

// The windows asked to close, in order.
struct CloseLog : QObject {
    QStringList names;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Close && o->isWidgetType()) {
            names << o->objectName();
        }
        return false;
    }
};

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        form_ = std::make_unique<app::Form1>(widgets::Services{dialogs_, desktop_.desktop});
        form_->show();
    }
    void cleanup() { form_.reset(); }  // gone without a close event, which would end the program

    void titleAndSize()
    {
        QCOMPARE(form_->windowTitle(), "Quillbox " + QString(version::text));
        QCOMPARE(form_->centralWidget()->geometry(),
                 QRect(0, form_->menuBar()->height(), 314, 501));
        QVERIFY(form_->minimumSize() == form_->maximumSize() &&
                !(form_->windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    // File, Open in the dialog a user sees, cancelled.
    void fileDialogKeepsNothing()
    {
        widgets::QtUserDialogs dialogs;
        app::Form1 form({dialogs, desktop_.desktop});
        QString cancelled;
        QTimer::singleShot(0, [&] {
            cancelled = QApplication::activeModalWidget()->metaObject()->className();
            QApplication::activeModalWidget()->close();
        });
        QMetaObject::invokeMethod(form.findChild<QObject*>("mnuFileOpen"), "trigger");
        QCOMPARE(cancelled, "QFileDialog");
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
        QCOMPARE(use("cmdExtract", "out.bin") + use("mnuFileExtract", "out.bin"),  // and no dialog
                 QStringList(2, saves::messages::kLoadFirst));
        const QString cut = "BESLES-50325<W&M>WWWWWWWWWWWWWW";  // 31 characters, cut off
        const std::vector sections = {testing::section("icon.sys", 964, 7),
                                      testing::section("view&co.ico", 1357, 3),
                                      testing::section(cut.toStdString(), 2, 0)};
        testing::write_file(path("GAME.XPS"), testing::xport_save("BEDEMO&GAME", sections));
        QCOMPARE(use("mnuFileOpen", "GAME.XPS"),
                 QStringList{"PS2 Save Files (*.PSU *.PSD *.XPS *.SPS)"});
        // The frame and the slots ("*" selected, "-" disabled, then any tooltip's
        // text): "&" literally, and no start or length value on screen.
        QString shown = frame()->title();
        for (int i = 0; i < int(saves::kSlotCount); ++i) {
            const QString tip = QTextDocumentFragment::fromHtml(option(i)->toolTip()).toPlainText();
            shown += '|' + option(i)->text() + (option(i)->isChecked() ? "*" : "") +
                     (option(i)->isEnabled() ? "" : "-") + (tip.isEmpty() ? "" : " tip: " + tip);
        }
        QCOMPARE(shown, "BEDEMO&&GAME|icon.sys*|view&&co.ico|" + QString(cut).replace("&", "&&") +
                            " tip: " + cut + QString("|-").repeated(15));
        option(1)->click();
        const saves::SaveState loaded = form_->state();
        QCOMPARE(use("mnuFileOpen").size(), 1);  // cancelled: the dialog alone
        QVERIFY(form_->state() == loaded);

        QCOMPARE(use("cmdExtract", ""), QStringList{"Data file *.bin (*.bin)"});
        QCOMPARE(use("mnuFileExtract", "out.bin").last(), saves::messages::kExtracted);
        QVERIFY(testing::read_file(path("out.bin")) == sections[1].data);
        QCOMPARE(use("cmdExtract", "no/out.bin").size(),
                 2);  // the message, and the save still loaded
        QVERIFY(form_->state() == loaded);

        testing::write_file(path("v1.xps"),
                            testing::xport_save("OLD", sections, testing::with_variant(1)));
        QCOMPARE(use("mnuFileOpen", "v1.xps").last(), saves::messages::kXportV1);
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
        QMimeData data;
        data.setText("a.psu");
        data.setUrls(urls);
        QCOMPARE(drag(data, Qt::DropActions(actions)), Qt::IgnoreAction);
        QCoreApplication::sendPostedEvents();
        QVERIFY(form_->state() == saves::SaveState());
    }

    // One Update and one About window, brought forward when asked for again and
    // made anew once closed; then the end of the program, which closes them
    // all, a stray window loaded by nobody too, also when the main window is
    // already closing.
    void secondaryWindowsAndEnd_data()
    {
        QTest::addColumn<bool>("viaExit");
        QTest::newRow("File, Exit") << true;
        QTest::newRow("close box") << false;
    }
    void secondaryWindowsAndEnd()
    {
        QFETCH(bool, viaExit);
        for (const auto& [action, window] :
             {std::pair{"mnuProgramUpdate", "liveu"}, std::pair{"mnuProgramAbout", "frmAbout"}}) {
            use(action);
            QTRY_COMPARE(active(), window);
            const QPointer<QWidget> first = QApplication::activeWindow();
            form_->activateWindow();
            QTRY_COMPARE(active(), "Form1");
            use(action);  // the one instance, brought forward
            QTRY_COMPARE(QApplication::activeWindow(), first.data());
            first->close();
            QTRY_VERIFY(first.isNull());
            use(action);  // made anew: it is among the windows ended below
        }
        QWidget stray;  // as a dialog of some library's would be: the newest, so closed first
        stray.show();
        CloseLog log;
        qApp->installEventFilter(&log);
        QApplication::setQuitOnLastWindowClosed(false);  // only EndProgram ends the loop
        QTimer::singleShot(0, [&] { viaExit ? void(use("mnuFileExit")) : void(form_->close()); });
        QTimer::singleShot(5000, form_.get(), [] { QCoreApplication::exit(1); });  // a hang fails
        QCOMPARE(QCoreApplication::exec(), 0);
        // Newest first, the main window last; the close box closes it first.
        QCOMPARE(log.names.join(","), viaExit ? ",frmAbout,liveu,Form1" : "Form1,,frmAbout,liveu");
        QTRY_VERIFY(std::ranges::none_of(QApplication::topLevelWidgets(), &QWidget::isVisible));
    }

private:
    std::string path(const QString& name) const { return tmp_.filePath(name).toStdString(); }
    QGroupBox* frame() const { return form_->findChild<QGroupBox*>("Frame1"); }
    QRadioButton* option(int i) const { return frame()->findChildren<QRadioButton*>().value(i); }
    static QString active()
    {
        return qApp->activeWindow() ? qApp->activeWindow()->objectName() : "";
    }

    // The record a new window leaves after `road`: its state and the message
    // it showed, as `quillbox-cli list --json` writes them.
    QString recordAfter(const std::function<void()>& road)
    {
        init();
        dialogs_.log.clear();
        road();
        QCoreApplication::sendPostedEvents();
        const QStringList& shown = dialogs_.log;
        const auto message =
            shown.isEmpty() ? std::nullopt : std::optional(shown.join('\n').toStdString());
        return QString::fromStdString(cli::json_text(cli::state_json(form_->state(), message)));
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

    QTemporaryDir tmp_;
    testing::ScriptedDialogs dialogs_;
    testing::FakeDesktop desktop_;
    std::unique_ptr<app::Form1> form_;
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
