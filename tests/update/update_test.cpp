// own
#include "quillbox/version.h"
#include "support/fake_desktop.h"
#include "support/scripted_dialogs.h"
#include "update/download_file.h"
#include "update/liveu.h"
#include "update/transfer.h"

// Qt
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// std
#include <utility>

using namespace quillbox;

namespace {

const QString kHost = settings::website_host;
const QString kUpdate = "There is an update available to version %1 at " + kHost;
const QString kNoUpdate = "There is no update available.";
const QString kUnreadable = "The update server's answer could not be read.";
const QString kFailed = "(i) " + QString(update::kTransferFailed);
const QString kFile = "/varnel/qbver.txt";
// Where the design puts the update window's controls.
const std::pair<const char*, QRect> kLayout[] = {{"Label1", {8, 24, 313, 33}},
                                                 {"Command1", {328, 15, 105, 37}},
                                                 {"Command2", {330, 64, 103, 33}},
                                                 {"ProgressBar1", {8, 80, 313, 17}}};

// Answers each request with `status` and `body`, `delay` ms after it came.
struct Server : QTcpServer {
    int status = 200;
    QByteArray body;
    int delay = 0;

    Server() { listen(QHostAddress::LocalHost); }
    void incomingConnection(qintptr descriptor) override
    {
        auto* s = new QTcpSocket(this);
        s->setSocketDescriptor(descriptor);
        connect(
            s, &QTcpSocket::readyRead, s,
            [this, s] {
                QTimer::singleShot(delay, s, [this, s] {
                    s->write(
                        QString("HTTP/1.1 %1 X\r\nConnection: close\r\nContent-Length: %2\r\n\r\n")
                            .arg(status)
                            .arg(body.size())
                            .toLatin1() +
                        body);
                    s->disconnectFromHost();
                });
            },
            Qt::SingleShotConnection);
    }
};

QString text(QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }
QPushButton* command(QWidget* w, char n)
{
    return w->findChild<QPushButton*>(QString("Command") + n);
}

}  // namespace

class UpdateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        qputenv("TMPDIR",
                tmp_.path().toLocal8Bit());  // the window's private folders: leftovers show
        QApplication::setQuitOnLastWindowClosed(false);
        server_ = new Server;
    }
    void cleanup()
    {
        QVERIFY(QDir(tmp_.path()).isEmpty());
        QVERIFY(!QFile::exists(QCoreApplication::applicationDirPath() + "/qbver.txt"));
        qDeleteAll(QApplication::topLevelWidgets());
        delete server_;
        dialogs_.log.clear();
    }

    // One check, in a fresh window, against the server's answer at `path`;
    // `shown` is the one message.
    void check_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1.3") << 200 << kFile << QByteArray("1.3") << kUpdate.arg("1.3");
        QTest::newRow("1.2") << 200 << kFile << QByteArray("1.2") << kNoUpdate;
        QTest::newRow("1.10 is newer") << 200 << kFile << QByteArray("1.10") << kUpdate.arg("1.10");
        QTest::newRow("1.2.1") << 200 << kFile << QByteArray("1.2.1") << kUpdate.arg("1.2.1");
        QTest::newRow("1.02.0 is 1.2") << 200 << kFile << QByteArray("1.02.0") << kNoUpdate;
        QTest::newRow("quoted") << 200 << kFile << QByteArray("\"1.3\",\"9\"")
                                << kUpdate.arg("1.3");
        QTest::newRow("lines") << 200 << kFile << QByteArray("  2 \r\n9.9\r\n") << kUpdate.arg("2");
        QTest::newRow("BOM") << 200 << kFile
                             << QByteArray("\xEF\xBB\xBF"
                                           "1.3")
                             << kUpdate.arg("1.3");
        QTest::newRow("1.3. is none") << 200 << kFile << QByteArray("1.3.") << kUnreadable;
        QTest::newRow("HTML page") << 200 << kFile << QByteArray("<p>1.3</p>") << kUnreadable;
        QTest::newRow("empty") << 200 << kFile << QByteArray() << kUnreadable;
        QTest::newRow("404") << 404 << kFile << QByteArray("1.3") << kFailed;
        QTest::newRow("over the cap") << 200 << kFile << QByteArray(64 * 1024 + 1, '1') << kFailed;
        // The local copy is named after the end of the URL, query and all.
        QTest::newRow("query") << 200 << kFile + "?v=1" << QByteArray("1.3") << kUpdate.arg("1.3");
        QTest::newRow("ends in /") << 200 << "/varnel/" << QByteArray("1.3") << kFailed;
        QTest::newRow("backslash") << 200 << "/varnel/..\\q.txt" << QByteArray("1.3") << kFailed;
    }
    void check()
    {
        QFETCH(int, status);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QString, shown);
        server_->status = status;
        server_->body = body;
        QPointer<QWidget> w = openUpdate(path);
        for (const auto& [name, rect] : kLayout) {
            QCOMPARE(w->findChild<QWidget*>(name)->geometry(), rect);
        }
        auto* progress = w->findChild<QProgressBar*>("ProgressBar1");
        QCOMPARE(progress->value(), 0);
        command(w, '1')->click();
        QCOMPARE(dialogs_.log, QStringList{shown});
        const bool failed = shown == kFailed;
        QCOMPARE(text(w, "Label1"), failed ? "Click Check for New Version to begin" : shown);
        QCOMPARE(progress->value(), 3);
        QCOMPARE(command(w, '1')->isEnabled() + command(w, '2')->isEnabled(), failed ? 0 : 2);
        QTRY_COMPARE(text(w, "StatusBar1_Panel1"), "Status: Idle");
        w->close();  // from the title bar, even with its buttons off: gone, so it opens fresh
        QTRY_VERIFY(w.isNull());
    }

    // While a fetch runs the timers tick, the link works, and the busy transfer
    // refuses a second fetch without a word; closing the window then aborts the
    // fetch silently.
    void closeDuringFetch()
    {
        server_->body = "1.3";
        server_->delay = 2500;
        QPointer<QWidget> w = openUpdate();
        QStringList during;
        QTimer::singleShot(1500, w, [&] {
            QTest::mouseClick(w->findChild<QLabel*>("Label2"), Qt::LeftButton);
            auto* inet1 = w->findChild<update::NetworkTransfer*>("Inet1");
            during << text(w, "StatusBar1_Panel1") << text(w, "StatusBar1_Panel2")
                   << QString::number(
                          update::DownloadFile(*inet1, url("/x"), tmp_.path(), dialogs_, nullptr));
            w->close();
        });
        command(w, '1')->click();
        QCOMPARE(during, (QStringList{"Status: Checking for updated version.",
                                      "Total Time: 1 Seconds", "0"}));
        QCOMPARE(desktop_.calls, std::vector{"Open|http://" + kHost.toStdString() + "||C:\\|1"});
        QVERIFY(dialogs_.log.isEmpty());
        QTRY_VERIFY(w.isNull());
    }

private:
    QString url(const QString& path) const
    {
        return QString("http://127.0.0.1:%1%2").arg(server_->serverPort()).arg(path);
    }
    // As the main window opens it.
    QWidget* openUpdate(const QString& path = kFile)
    {
        auto* w = new update::liveu({dialogs_, desktop_.desktop, url(path).toStdString()});
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        return w;
    }

    QTemporaryDir tmp_;
    testing::ScriptedDialogs dialogs_;
    testing::FakeDesktop desktop_;
    Server* server_ = nullptr;
};

QTEST_MAIN(UpdateTest)
#include "update_test.moc"
