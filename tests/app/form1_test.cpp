// own
#include "app/form1.h"
#include "app/user_dialogs.h"
#include "saves/messages.h"
#include "support/save_builder.h"

// Qt
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// std
#include <filesystem>
#include <memory>

using namespace quillbox;
namespace fs = std::filesystem;
using saves::kSlotCount;
using testing::Bytes;

namespace {

// Answers the window's dialogs from a script and records what it was shown.
struct ScriptedDialogs final : app::UserDialogs {
    QStringList answers;  // one per file dialog; none left means Cancel
    QStringList asked;    // "open PS2 Save Files (*.PSU ...)" per dialog shown
    QStringList messages;

    QString openFileName(QWidget*, const QString& description, const QString& patterns) override
    {
        asked << "open " + description + " (" + patterns + ')';
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QString saveFileName(QWidget*, const QString& description, const QString& patterns) override
    {
        asked << "save " + description + " (" + patterns + ')';
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void message(QWidget*, const QString& text) override { messages << text; }
};

const std::vector<testing::Section> kSections = {
    testing::section("icon.sys", 964, 7),
    testing::section("view&co.ico", 1357, 3),
    testing::section("game.dat", 2468, 5),
};

// Records the order in which watched windows receive their close event.
class CloseOrder final : public QObject {
public:
    QStringList order;
    void watch(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Close) {
            order << o->objectName();
        }
        return false;
    }
};

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        dialogs_ = std::make_unique<ScriptedDialogs>();
        form_ = std::make_unique<app::Form1>(*dialogs_);
        form_->show();
    }
    void cleanup()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != form_.get()) {
                w->close();
            }
        }
        form_.reset();
        dialogs_.reset();
    }

    void titleIconAndGeometry()
    {
        QCOMPARE(form_->windowTitle(), QStringLiteral("Quillbox 1.2"));
        QVERIFY(form_->windowIcon().availableSizes().contains(QSize(16, 16)));

        const QWidget* client = form_->centralWidget();
        QCOMPARE(client->size(), QSize(314, 501));
        QCOMPARE(client->y(), form_->menuBar()->geometry().bottom() + 1);
        QCOMPARE(form_->minimumSize(), form_->maximumSize());
        QCOMPARE(form_->height(), form_->menuBar()->height() + 501);
        QVERIFY(!(form_->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form_->windowFlags() & Qt::WindowMinimizeButtonHint);

        QCOMPARE(child<QGroupBox>("Frame1")->geometry(), QRect(16, 8, 281, 449));
        QCOMPARE(child<QPushButton>("cmdExtract")->geometry(), QRect(16, 464, 89, 25));
        QCOMPARE(child<QPushButton>("cmdExtract")->text(), QStringLiteral("Extract"));
        for (int i = 0; i < int(kSlotCount); ++i) {
            QCOMPARE(option(i)->parentWidget(), child<QGroupBox>("Frame1"));
            QCOMPARE(option(i)->geometry(), QRect(8, 16 + 24 * i, 265, 17));
        }
    }

    void menus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("items");  // objectName=caption, "-" separator
        QTest::newRow("File") << "mnuFile" << "&File"
                              << QStringList{"mnuFileOpen=&Open", "mnuFileExtract=&Extract data",
                                             "mnuFileSep1=-", "mnuFileExit=&Exit"};
        QTest::newRow("Program") << "mnuProgram" << "&Program"
                                 << QStringList{"mnuProgramUpdate=&Update", "mnusep2=-",
                                                "mnuProgramAbout=&About"};
    }
    void menus()
    {
        QFETCH(QString, menu);
        QFETCH(QString, title);
        QFETCH(QStringList, items);
        const auto* m = form_->findChild<QMenu*>(menu);
        QVERIFY(m);
        QCOMPARE(m->title(), title);
        QStringList seen;
        for (const QAction* a : m->actions()) {
            seen << a->objectName() + '=' + (a->isSeparator() ? QStringLiteral("-") : a->text());
            QVERIFY(a->shortcut().isEmpty() && !a->isCheckable() && a->isEnabled());
        }
        QCOMPARE(seen, items);
    }

    void open_data()
    {
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("message");  // "*": any one message
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<bool>("loaded");
        const QStringList listed{"icon.sys", "view&&co.ico", "game.dat"};
        QTest::newRow("cancelled") << "" << "" << QStringList{} << false;
        QTest::newRow("ems") << "game.psu" << "" << listed << true;
        QTest::newRow("xport") << "GAME.XPS" << "" << listed << true;
        QTest::newRow("xport v1") << "v1.xps" << saves::messages::kXportV1 << QStringList{}
                                  << false;
        QTest::newRow("missing") << "missing.psu" << "*" << QStringList{} << false;
    }
    void open()
    {
        QFETCH(QString, save);
        QFETCH(QString, message);
        QFETCH(QStringList, captions);
        QFETCH(bool, loaded);
        openSave(save.isEmpty() ? QString() : savePath(save));

        QCOMPARE(dialogs_->asked, QStringList{"open PS2 Save Files (*.PSU *.PSD *.XPS *.SPS)"});
        if (message == "*") {
            QCOMPARE(dialogs_->messages.size(), 1);
            QVERIFY(form_->state() == saves::SaveState{});
        } else {
            QCOMPARE(dialogs_->messages, message.isEmpty() ? QStringList{} : QStringList{message});
        }
        for (int i = 0; i < int(kSlotCount); ++i) {
            QCOMPARE(option(i)->text(), captions.value(i));
            QCOMPARE(option(i)->isEnabled(), !loaded || i < captions.size());
        }
        QCOMPARE(option(0)->isChecked(), loaded);
        QCOMPARE(child<QGroupBox>("Frame1")->title().contains("BEDEMO-GAME"), loaded);
        verifyShowsState();
    }

    void reopenBlanksStaleSlots()
    {
        openSave(savePath("game.psu"));
        option(2)->click();
        const saves::SaveState loaded = form_->state();

        openSave(QString());  // cancelled: nothing changes
        QVERIFY(form_->state() == loaded);
        QVERIFY(option(2)->isChecked());

        openSave(savePath("v1.xps"));  // refused: blank and enabled, selection kept
        for (int i = 0; i < int(kSlotCount); ++i) {
            QVERIFY(option(i)->text().isEmpty() && option(i)->isEnabled());
        }
        QVERIFY(option(2)->isChecked());
        verifyShowsState();

        const QString shorter = tmp_.filePath("short.psu");
        testing::write_file(shorter.toStdString(), testing::ems_save("SHORT", {kSections[0]}));
        openSave(shorter);
        QCOMPARE(option(0)->text(), QStringLiteral("icon.sys"));
        QVERIFY(option(0)->isChecked());
        for (int i = 1; i < int(kSlotCount); ++i) {
            QVERIFY(option(i)->text().isEmpty());
        }
        verifyShowsState();
    }

    void extract_data()
    {
        QTest::addColumn<bool>("viaMenu");
        QTest::addColumn<QString>("target");  // "": cancel; relative to the temp folder
        QTest::addColumn<QString>("message");  // "*": any failure message
        for (const bool viaMenu : {false, true}) {
            const char* how = viaMenu ? "menu: " : "button: ";
            QTest::addRow("%snot loaded", how) << viaMenu << "-" << saves::messages::kLoadFirst;
            QTest::addRow("%scancelled", how) << viaMenu << "" << "";
            QTest::addRow("%swritten", how) << viaMenu << "out.bin" << saves::messages::kExtracted;
            QTest::addRow("%smissing folder", how) << viaMenu << "no/out.bin" << "*";
            QTest::addRow("%sfolder as target", how) << viaMenu << "." << "*";
        }
    }
    void extract()
    {
        QFETCH(bool, viaMenu);
        QFETCH(QString, target);
        QFETCH(QString, message);
        const QString out = tmp_.filePath(target);
        if (target != "-") {
            openSave(savePath("game.xps"));
            option(1)->click();
            // An existing longer file must be replaced, not overwritten in place.
            testing::write_file(tmp_.filePath("out.bin").toStdString(), Bytes(5000, 0xEE));
        }
        const saves::SaveState before = form_->state();
        dialogs_->asked.clear();
        dialogs_->messages.clear();
        dialogs_->answers << (target.isEmpty() ? QString() : out);

        if (viaMenu) {
            form_->findChild<QAction*>("mnuFileExtract")->trigger();
        } else {
            QTest::mouseClick(child<QPushButton>("cmdExtract"), Qt::LeftButton);
        }

        QCOMPARE(dialogs_->asked, target == "-" ? QStringList{}
                                                : QStringList{"save Data file *.bin (*.bin)"});
        if (message == "*") {
            QCOMPARE(dialogs_->messages.size(), 1);
            QVERIFY(dialogs_->messages[0] != saves::messages::kExtracted);
        } else {
            QCOMPARE(dialogs_->messages, message.isEmpty() ? QStringList{} : QStringList{message});
        }
        const Bytes written = testing::read_file(tmp_.filePath("out.bin").toStdString());
        QCOMPARE(written == kSections[1].data, target == "out.bin");
        if (target != "-" && target != "out.bin") {
            QCOMPARE(written, Bytes(5000, 0xEE));
        }
        QVERIFY(!fs::exists(tmp_.filePath("no").toStdString()));
        QVERIFY(form_->state() == before);
        verifyShowsState();
    }

    void noWidgetShowsStartOrLength()
    {
        QStringList hidden;
        for (const char* save : {"game.psu", "game.xps"}) {
            openSave(savePath(save));
            for (const saves::Slot& slot : form_->state().slots) {
                hidden << QString::fromStdString(slot.start) << QString::fromStdString(slot.length);
            }
            hidden.removeAll(QString());
            QVERIFY(hidden.size() >= 6);
            for (const QString& text : shownTexts()) {
                for (const QString& value : hidden) {
                    QVERIFY2(!text.contains(value), qPrintable(text + " shows " + value));
                }
            }
        }
    }

    void captionsCannotBreakTheLine()
    {
        const QString path = tmp_.filePath("odd.psu");
        testing::write_file(path.toStdString(),
                            testing::ems_save("A&B", {testing::section("two\nlines", 4)}));
        openSave(path);
        QCOMPARE(child<QGroupBox>("Frame1")->title(), QStringLiteral("Directory: A&&B"));
        QCOMPARE(option(0)->text(), QStringLiteral("two\uFFFDlines"));
    }

    void secondaryWindows_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("window");
        QTest::newRow("Update") << "mnuProgramUpdate" << "liveu";
        QTest::newRow("About") << "mnuProgramAbout" << "frmAbout";
    }
    void secondaryWindows()
    {
        QFETCH(QString, action);
        QFETCH(QString, window);
        auto* menuItem = form_->findChild<QAction*>(action);
        menuItem->trigger();
        menuItem->trigger();
        QList<QWidget*> shown = windowsNamed(window);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0]->isVisible() && shown[0]->parentWidget() == nullptr);
        QCOMPARE(shown[0]->windowModality(), Qt::NonModal);

        const QPointer<QWidget> first = shown[0];
        first->close();
        QTRY_VERIFY(first.isNull());
        menuItem->trigger();
        shown = windowsNamed(window);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0]->isVisible());
    }

    void endProgram_data()
    {
        QTest::addColumn<bool>("viaExit");
        QTest::addColumn<QStringList>("closed");
        QTest::newRow("File, Exit") << true << QStringList{"frmAbout", "liveu", "Form1"};
        // The main window is already closing when it calls in.
        QTest::newRow("close box") << false << QStringList{"Form1", "frmAbout", "liveu"};
    }
    void endProgram()
    {
        QFETCH(bool, viaExit);
        QFETCH(QStringList, closed);
        form_->findChild<QAction*>("mnuProgramUpdate")->trigger();
        form_->findChild<QAction*>("mnuProgramAbout")->trigger();
        CloseOrder closes;
        for (QWidget* w : {windowsNamed("liveu")[0], windowsNamed("frmAbout")[0],
                           static_cast<QWidget*>(form_.get())}) {
            closes.watch(w);
        }
        QTimer::singleShot(0, form_.get(), [&] {
            if (viaExit) {
                form_->findChild<QAction*>("mnuFileExit")->trigger();
            } else {
                form_->close();
            }
        });
        QTimer hang;
        connect(&hang, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        hang.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(closes.order, closed);
        QVERIFY(!form_->isVisible());
        QTRY_VERIFY(windowsNamed("liveu").isEmpty() && windowsNamed("frmAbout").isEmpty());
    }

private:
    template <typename W>
    W* child(const char* name) const
    {
        W* w = form_->findChild<W*>(QLatin1String(name));
        Q_ASSERT(w);
        return w;
    }
    QRadioButton* option(int i) const
    {
        return form_->findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(i));
    }

    // The test saves: EMS and Xport families, and an Xport V1 save.
    QString savePath(const QString& name)
    {
        const QString path = tmp_.filePath(name);
        if (name.startsWith("game", Qt::CaseInsensitive)) {
            testing::write_file(path.toStdString(),
                                name.endsWith("psu") ? testing::ems_save("BEDEMO-GAME", kSections)
                                                     : testing::xport_save("BEDEMO-GAME", kSections));
        } else if (name.startsWith("v1")) {
            testing::XportHeader v1;
            v1.variant = 1;
            testing::write_file(path.toStdString(), testing::xport_save("OLD", kSections, v1));
        }
        return path;
    }
    void openSave(const QString& path)
    {
        dialogs_->answers << path;
        form_->findChild<QAction*>("mnuFileOpen")->trigger();
    }

    // The widgets show exactly the window's state.
    void verifyShowsState() const
    {
        const saves::SaveState& state = form_->state();
        QCOMPARE(child<QGroupBox>("Frame1")->title().replace("&&", "&"),
                 QString::fromStdString(state.frame_caption));
        for (int i = 0; i < int(kSlotCount); ++i) {
            const saves::Slot& slot = state.slots[std::size_t(i)];
            QCOMPARE(option(i)->text().replace("&&", "&"), QString::fromStdString(slot.caption));
            QCOMPARE(option(i)->isEnabled(), slot.enabled);
            QCOMPARE(option(i)->isChecked(), slot.selected);
        }
    }

    // Every text the window puts on screen.
    QStringList shownTexts() const
    {
        QStringList texts;
        QObjectList objects = form_->findChildren<QObject*>();
        objects << form_.get();
        for (const QObject* o : objects) {
            for (const char* property : {"text", "title", "windowTitle", "toolTip"}) {
                texts << o->property(property).toString();
            }
        }
        return texts;
    }

    static QList<QWidget*> windowsNamed(const QString& name)
    {
        QList<QWidget*> found;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == name && w->isVisible()) {
                found << w;
            }
        }
        return found;
    }

    QTemporaryDir tmp_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<app::Form1> form_;
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
