// own
#include "shell/end_program.h"

// Qt
#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

// std
#include <memory>
#include <vector>

using quillbox::shell::EndProgram;
using quillbox::shell::load_window;
using namespace std::string_literals;

namespace {

QStringList closed;

// A window that records its close event; it may refuse it, or call
// EndProgram from it as the main window does.
class Window final : public QWidget {
public:
    Window(const QString& name, bool refuse = false, bool endsProgram = false)
        : refuse_(refuse), endsProgram_(endsProgram)
    {
        setObjectName(name);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        closed << objectName();
        if (endsProgram_) {
            EndProgram(true);
        }
        event->setAccepted(!refuse_);
    }

private:
    bool refuse_;
    bool endsProgram_;
};

// Runs EndProgram inside the event loop; returns the loop's exit code.
int runEndProgram()
{
    QTimer::singleShot(0, [] { EndProgram(true); });
    QTimer hang;
    QObject::connect(&hang, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    hang.start(5000);
    return QCoreApplication::exec();
}

}  // namespace

class EndProgramTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { closed.clear(); }

    void closesNewestFirstMainLast_data()
    {
        QTest::addColumn<QString>("refusing");  // a window that will not close
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all close") << "" << QStringList{"stray", "about", "update", "main"};
        QTest::newRow("one refuses") << "update"
                                     << QStringList{"stray", "about", "update", "main"};
    }
    void closesNewestFirstMainLast()
    {
        QFETCH(QString, refusing);
        QFETCH(QStringList, expected);
        std::vector<std::unique_ptr<Window>> windows;
        for (const char* name : {"main", "update", "hidden", "about", "stray"}) {
            windows.push_back(std::make_unique<Window>(name, refusing == name, name == "main"s));
            if (name != "stray"s) {
                load_window(windows.back().get());  // the stray one was never loaded
            }
            windows.back()->show();
        }
        windows[2]->hide();  // not open any more: not closed again

        QCOMPARE(runEndProgram(), 0);
        QCOMPARE(closed, expected);
        for (const auto& w : windows) {
            QCOMPARE(w->isVisible(), w->objectName() == refusing);
        }
    }
};

QTEST_MAIN(EndProgramTest)
#include "end_program_test.moc"
