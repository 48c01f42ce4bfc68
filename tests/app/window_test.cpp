// own
#include "app/form1.h"
#include "quillbox/version.h"
#include "saves/messages.h"
#include "support/fake_desktop.h"
#include "support/save_builder.h"
#include "support/scripted_dialogs.h"

// Qt
#include <QApplication>
#include <QGroupBox>
#include <QMenuBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// std
#include <algorithm>
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
        const std::vector sections = {testing::section("icon.sys", 964, 7),
                                      testing::section("view&co.ico", 1357, 3)};
        testing::write_file(path("GAME.XPS"), testing::xport_save("BEDEMO&GAME", sections));
        QCOMPARE(use("mnuFileOpen", "GAME.XPS"),
                 QStringList{"PS2 Save Files (*.PSU *.PSD *.XPS *.SPS)"});
        // The frame and the slots ("*" selected, "-" disabled): "&" literally, and
        // no start or length value on screen.
        QString shown = frame()->title();
        for (int i = 0; i < int(saves::kSlotCount); ++i) {
            shown += '|' + option(i)->text() + (option(i)->isChecked() ? "*" : "") +
                     (option(i)->isEnabled() ? "" : "-");
        }
        QCOMPARE(shown, "BEDEMO&&GAME|icon.sys*|view&&co.ico" + QString("|-").repeated(16));
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
