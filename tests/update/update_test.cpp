// own
#include "quillbox/version.h"
#include "support/fake_desktop.h"
#include "support/scripted_dialogs.h"
#include "update/download_file.h"
#include "update/liveu.h"

// Qt
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// std
#include <utility>

using namespace quillbox;

namespace {

const QString kNewer = QString("%1.%2").arg(version::major).arg(version::minor + 1);
const QString kFailed = "(i) " + QString(update::kTransferFailed);

// Holds each request until told to answer it with `status` and `body`.
struct Server : QTcpServer {
    int status = 200;
    QByteArray body;
    QList<QPointer<QTcpSocket>> waiting;

    Server() { listen(QHostAddress::LocalHost); }
    void incomingConnection(qintptr descriptor) override
    {
        auto* s = new QTcpSocket(this);
        s->setSocketDescriptor(descriptor);
        connect(
            s, &QTcpSocket::readyRead, s, [this, s] { waiting << s; }, Qt::SingleShotConnection);
    }
    void answer()
    {
        for (QTcpSocket* s : std::exchange(waiting, {})) {
            s->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nConnection: close\r\n" +
                     "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            s->disconnectFromHost();
        }
    }
};

QString text(QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }
int enabled(QWidget* w)
{
    return w->findChild<QWidget*>("Command1")->isEnabled() +
           w->findChild<QWidget*>("Command2")->isEnabled();
}

}  // namespace

class UpdateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());  // the check's own folders: leftovers show
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void cleanup()
    {
        QVERIFY(QDir(tmp_.path()).isEmpty());
        qDeleteAll(QApplication::topLevelWidgets());
        dialogs_.log.clear();
        desktop_.calls.clear();
    }

    // A check the whole way, answered once a second has been counted and a
    // modal dialog has come up: the check ends inside the dialog. The link
    // works meanwhile.
    void check_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("shown");
        QTest::newRow("newer") << 200 << kNewer.toLatin1()
                               << "There is an update available to version " + kNewer + " at " +
                                      settings::website_host;
        QTest::newRow("404") << 404 << kNewer.toLatin1() << kFailed;
        QTest::newRow("over the cap") << 200 << QByteArray(64 * 1024 + 1, '1') << kFailed;
    }
    void check()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, shown);
        server_.status = status;
        server_.body = body;
        QPointer<QWidget> w = openUpdate();
        QDialog modal;
        QList<int> progress;
        connect(w->findChild<QProgressBar*>("ProgressBar1"), &QProgressBar::valueChanged,
                [&](int v) {
                    progress << v;
                    if (v == 3) {
                        modal.accept();  // the check is over
                    }
                });
        // The panels as Timer2 ticks, the server answering at a tick with the dialog up.
        int seconds = 0;
        QStringList panels, expected;
        auto* timer2 = w->findChild<QTimer*>("Timer2");
        connect(timer2, &QTimer::timeout, [&] {
            panels = QStringList{text(w, "StatusBar1_Panel1"), text(w, "StatusBar1_Panel2")};
            expected = QStringList{"Status: Checking for updated version.",
                                   QString("Total Time: %1 Seconds").arg(++seconds)};
            if (modal.isVisible() && !server_.waiting.isEmpty()) {
                QTest::mouseClick(w->findChild<QWidget*>("Label2"), Qt::LeftButton);
                server_.answer();
            }
        });
        QTimer::singleShot(10000, &modal, &QDialog::reject);  // a check that cannot end fails
        int result = -1;
        QTimer::singleShot(0, &modal, [&] { result = modal.exec(); });
        QTest::mouseClick(w->findChild<QWidget*>("Command1"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(result, int(QDialog::Accepted), 15000);

        QCOMPARE(panels, expected);
        QCOMPARE(desktop_.calls,
                 std::vector{"Open|" + std::string(settings::website_address) + "||C:\\|1"});
        QCOMPARE(dialogs_.log, QStringList{shown});
        const bool failed = shown == kFailed;
        QCOMPARE(text(w, "Label1"), failed ? "Click Check for New Version to begin" : shown);
        QCOMPARE(progress, (failed ? QList{1, 3} : QList{1, 2, 3}));
        QCOMPARE(enabled(w), failed ? 0 : 2);
        QVERIFY(!timer2->isActive());
        QTRY_COMPARE(text(w, "StatusBar1_Panel1"), "Status: Idle");
        w->close();  // from the title bar, even with its buttons off: gone, so it opens fresh
        QTRY_VERIFY(w.isNull());
    }

private:
    // As the main window opens it.
    QWidget* openUpdate()
    {
        const QString url =
            QString("http://127.0.0.1:%1/varnel/qbver.txt").arg(server_.serverPort());
        auto* w = new update::liveu({dialogs_, desktop_.desktop, url.toStdString()});
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        return w;
    }

    QTemporaryDir tmp_;
    testing::ScriptedDialogs dialogs_;
    testing::FakeDesktop desktop_;
    Server server_;
};

QTEST_MAIN(UpdateTest)
#include "update_test.moc"
