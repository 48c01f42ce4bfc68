// own
#include "app/form1.h"
#include "app/user_dialogs.h"
#include "saves/messages.h"
#include "support/fake_desktop.h"
#include "support/save_builder.h"
#include "support/scripted_dialogs.h"

// Qt
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// std
#include <memory>
#include <utility>

using namespace quillbox;
namespace messages = saves::messages;

namespace {

const std::vector<testing::Section> kSections = {testing::section("icon.sys", 964, 7),
                                                 testing::section("view&co.ico", 1357, 3),
                                                 testing::section("game.dat", 2468, 5)};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

public:
    // Logs the windows that get a close event, in order.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close && watched->isWidgetType()) {
            closed_ << watched->objectName();
        }
        return false;
    }

private Q_SLOTS:
    void init()
    {
        form_ = std::make_unique<app::Form1>(app::Services{dialogs_, desktop_.desktop});
        form_->show();
    }
    void cleanup()
    {
        form_->hide();  // closing it would end the next event loop at once
        qDeleteAll(windowsNamed());
        form_.reset();
    }

    void layout()
    {
        QCOMPARE(form_->windowTitle(), QStringLiteral("Quillbox 1.2"));
        QCOMPARE(form_->centralWidget()->geometry(),
                 QRect(0, form_->menuBar()->height(), 314, 501));
        QCOMPARE(form_->minimumSize(), form_->maximumSize());
        QVERIFY(!(form_->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(frame()->geometry(), QRect(16, 8, 281, 449));
        QCOMPARE(form_->findChild<QPushButton*>("cmdExtract")->geometry(), QRect(16, 464, 89, 25));
        for (int i = 0; i < int(saves::kSlotCount); ++i) {
            QCOMPARE(option(i)->parentWidget(), frame());
            QCOMPARE(option(i)->geometry(), QRect(8, 16 + 24 * i, 265, 17));
        }
        QStringList menus;
        for (const QAction* top : form_->menuBar()->actions()) {
            menus << top->menu()->objectName() + '=' + top->text();
            for (const QAction* a : top->menu()->actions()) {
                menus << a->objectName() + '=' + (a->isSeparator() ? "-" : a->text());
            }
        }
        QCOMPARE(menus.join(' '), "mnuFile=&File mnuFileOpen=&Open mnuFileExtract=&Extract data "
                                  "mnuFileSep1=- mnuFileExit=&Exit mnuProgram=&Program "
                                  "mnuProgramUpdate=&Update mnusep2=- mnuProgramAbout=&About");
    }

    // A session of File, Open and Extract, with Extract started by `extract`.
    void openAndExtract_data()
    {
        QTest::addColumn<QString>("extract");
        QTest::newRow("button") << "cmdExtract";
        QTest::newRow("menu") << "mnuFileExtract";
    }
    void openAndExtract()
    {
        QFETCH(QString, extract);
        QCOMPARE(use(extract, "out.bin"), QStringList{messages::kLoadFirst});  // and no dialog

        QCOMPARE(openSave("GAME.XPS", testing::xport_save("BEDEMO&GAME", kSections)),
                 QStringList{"PS2 Save Files (*.PSU *.PSD *.XPS *.SPS)"});
        verifyShowsState();
        openSave("game.psu", testing::ems_save("BEDEMO&GAME", kSections));
        option(2)->click();
        const saves::SaveState loaded = form_->state();
        QCOMPARE(openSave("").size(), 1);  // cancelled: the dialog alone
        QVERIFY(form_->state() == loaded);

        const QString dialog = "Data file *.bin (*.bin)";
        QCOMPARE(use(extract, ""), QStringList{dialog});
        QCOMPARE(use(extract, "out.bin"), (QStringList{dialog, messages::kExtracted}));
        QVERIFY(testing::read_file(tmp_.filePath("out.bin").toStdString()) == kSections[2].data);
        // A failure: the message, and the save still loaded.
        QCOMPARE(use(extract, "no/out.bin").size(), 2);
        QVERIFY(form_->state() == loaded);
        verifyShowsState();

        QCOMPARE(openSave("v1.xps", testing::xport_save("OLD", kSections, testing::with_variant(1))).last(),
                 messages::kXportV1);
        verifyShowsState();
    }

    // One Update and one About window, then the end of the program.
    void secondaryWindowsAndEnd_data()
    {
        QTest::addColumn<bool>("viaExit");
        QTest::addColumn<QString>("closed");
        QTest::newRow("File, Exit") << true << "frmAbout liveu Form1";
        // The main window is already closing when it calls in.
        QTest::newRow("close box") << false << "Form1 frmAbout liveu";
    }
    void secondaryWindowsAndEnd()
    {
        QFETCH(bool, viaExit);
        QFETCH(QString, closed);
        for (const auto& [action, window] : {std::pair{"mnuProgramUpdate", "liveu"},
                                             std::pair{"mnuProgramAbout", "frmAbout"}}) {
            use(action);
            const QPointer<QWidget> first = windowsNamed(window).value(0);
            form_->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), form_.get());
            use(action);  // the one instance, brought forward
            QCOMPARE(windowsNamed(window), QWidgetList{first});
            QTRY_COMPARE(QApplication::activeWindow(), first.data());
            first->close();
            QTRY_VERIFY(first.isNull());
            use(action);  // made anew: it is among the windows closed below
        }

        QApplication::setQuitOnLastWindowClosed(false);  // only EndProgram ends the loop
        closed_.clear();
        qApp->installEventFilter(this);
        QTimer::singleShot(0, [&] { viaExit ? void(use("mnuFileExit")) : void(form_->close()); });
        QTimer::singleShot(5000, form_.get(), [] { QCoreApplication::exit(1); });  // a hang fails
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(closed_.join(' '), closed);
        QTRY_VERIFY(windowsNamed().isEmpty());
    }

    // A case-sensitive file system must still list game.psu beside GAME.XPS.
    void realOpenDialogIgnoresCase()
    {
        QTemporaryDir dir;
        for (const char* name : {"game.psu", "GAME.XPS", "notes.txt"}) {
            testing::write_file(dir.filePath(name).toStdString(), {});
        }
        QStringList listed;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            d->setDirectory(dir.path());
            const auto* view = d->findChild<QAbstractItemView*>("listView");
            const auto rows = [&] { return view->model()->rowCount(view->rootIndex()); };
            static_cast<void>(QTest::qWaitFor([&] { return rows() >= 2; }, 2000));
            for (int row = 0; row < rows(); ++row) {
                listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
            }
            d->reject();
        });
        app::QtUserDialogs().openFileName(nullptr, "PS2 Save Files", "*.PSU *.PSD *.XPS *.SPS");
        listed.sort();
        QCOMPARE(listed, (QStringList{"GAME.XPS", "game.psu"}));
    }

private:
    QGroupBox* frame() const { return form_->findChild<QGroupBox*>("Frame1"); }
    QRadioButton* option(int i) const
    {
        return form_->findChild<QRadioButton*>("Option1_" + QString::number(i));
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
    QStringList openSave(const QString& name, const testing::Bytes& content = {})
    {
        if (!content.empty()) {
            testing::write_file(tmp_.filePath(name).toStdString(), content);
        }
        return use("mnuFileOpen", name);
    }

    // The widgets show exactly the window's state ("&" literally), and no
    // text on screen holds a start or length value.
    void verifyShowsState() const
    {
        const saves::SaveState& state = form_->state();
        QCOMPARE(frame()->title(), QString::fromStdString(state.frame_caption).replace('&', "&&"));
        QString screen;
        for (const QObject* o : form_->findChildren<QObject*>()) {
            for (const char* property : {"text", "title", "windowTitle", "toolTip"}) {
                screen += o->property(property).toString() + '\n';
            }
        }
        for (int i = 0; i < int(saves::kSlotCount); ++i) {
            const saves::Slot& slot = state.slots[std::size_t(i)];
            QCOMPARE(option(i)->text(), QString::fromStdString(slot.caption).replace('&', "&&"));
            QCOMPARE(option(i)->isEnabled(), slot.enabled);
            QCOMPARE(option(i)->isChecked(), slot.selected);
            for (const std::string& value : {slot.start, slot.length}) {
                QVERIFY(value.empty() || !screen.contains(QString::fromStdString(value)));
            }
        }
    }

    // The visible top-level windows named `name`, or all of them.
    static QWidgetList windowsNamed(const QString& name = {})
    {
        QWidgetList found = QApplication::topLevelWidgets();
        found.removeIf([&](const QWidget* w) {
            return !w->isVisible() || (!name.isEmpty() && w->objectName() != name);
        });
        return found;
    }

    QTemporaryDir tmp_;
    testing::ScriptedDialogs dialogs_;
    testing::FakeDesktop desktop_;
    std::unique_ptr<app::Form1> form_;
    QStringList closed_;
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
