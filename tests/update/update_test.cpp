// own
#include "quillbox/version.h"
#include "shell/end_program.h"
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
#include <fstream>

using namespace quillbox;

namespace {

const QString kHost = settings::website_host;
const QString kUpdate = "There is an update available to version %1 at " + kHost;
const QString kNoUpdate = "There is no update available.";
const QString kUnreadable = "The update server's answer could not be read.";
const QString kFailed = "(i) " + QString(update::kTransferFailed);
const QString kBegin = "Click Check for New Version to begin";

// Answers every request alike, once it has come whole: `status` with `body`,
// `delay` ms later.
struct Server : QTcpServer {
    int status = 200;
    QByteArray body;
    int delay = 0;

    Server()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* s = nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [this, s] {
                if (s->peek(8192).contains("\r\n\r\n")) {
                    s->disconnect(s, &QTcpSocket::readyRead, nullptr, nullptr);
                    QTimer::singleShot(delay, s, [this, s] {
                        s->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nConnection: "
                                 "close\r\nContent-Length: " + QByteArray::number(body.size()) +
                                 "\r\n\r\n" + body);
                        s->disconnectFromHost();
                    });
                }
            });
        });
    }
    QString url(const QString& path = "/varnel/qbver.txt") const
    {
        return QString("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
    }
};

QString text(QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }
auto* command(QWidget* w, char n) { return w->findChild<QPushButton*>(QString("Command") + n); }
int enabled(QWidget* w) { return command(w, '1')->isEnabled() + command(w, '2')->isEnabled(); }
int progress(QWidget* w) { return w->findChild<QProgressBar*>("ProgressBar1")->value(); }

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

}  // namespace

class UpdateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The window's private folders go under tmp_, so leftovers show.
    void initTestCase()
    {
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void init()
    {
        server_ = new Server;
        dialogs_.log.clear();
    }
    void cleanup()
    {
        QVERIFY(QDir(tmp_.path()).isEmpty());
        QVERIFY(!QFile::exists(QCoreApplication::applicationDirPath() + "/qbver.txt"));
        qDeleteAll(QApplication::topLevelWidgets());
        delete server_;
    }

    // One check against the server's answer; `shown` is the one message.
    void check_data()
    {
        QTest::addColumn<int>("status");  // 0: nobody listens
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1.3") << 200 << QByteArray("1.3") << kUpdate.arg("1.3");
        QTest::newRow("1.2") << 200 << QByteArray("1.2") << kNoUpdate;
        QTest::newRow("1.10 is newer") << 200 << QByteArray("1.10") << kUpdate.arg("1.10");
        QTest::newRow("2") << 200 << QByteArray("2\n") << kUpdate.arg("2");
        QTest::newRow("1.2.1") << 200 << QByteArray("1.2.1") << kUpdate.arg("1.2.1");
        QTest::newRow("1.02.0 is 1.2") << 200 << QByteArray("1.02.0") << kNoUpdate;
        QTest::newRow("quoted, comma") << 200 << QByteArray("\"1.3\",\"9\"") << kUpdate.arg("1.3");
        QTest::newRow("lines") << 200 << QByteArray("  1.3 \r\n9.9\r\n") << kUpdate.arg("1.3");
        QTest::newRow("1.3. is none") << 200 << QByteArray("1.3.") << kUnreadable;
        QTest::newRow("HTML page") << 200 << QByteArray("<html>Moved</html>") << kUnreadable;
        QTest::newRow("empty") << 200 << QByteArray() << kUnreadable;
        QTest::newRow("404") << 404 << QByteArray("<html>Not Found</html>") << kFailed;
        QTest::newRow("over the cap") << 200 << QByteArray(64 * 1024 + 1, '1') << kFailed;
        QTest::newRow("refused") << 0 << QByteArray() << kFailed;
    }
    void check()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, shown);
        server_->status = status;
        server_->body = body;
        if (status == 0) {
            server_->close();
        }
        QPointer<QWidget> w = openUpdate();
        QCOMPARE(progress(w), 0);
        command(w, '1')->click();
        QCOMPARE(dialogs_.log, QStringList{shown});
        const bool failed = shown == kFailed;
        QCOMPARE(text(w, "Label1"), failed ? kBegin : shown);
        QCOMPARE(progress(w), 3);
        QCOMPARE(enabled(w), failed ? 0 : 2);
        QTRY_COMPARE(text(w, "StatusBar1_Panel1"), "Status: Idle");
        w->close();  // from the title bar, even with its buttons off: gone, so it opens fresh
        QTRY_VERIFY(w.isNull());
    }

    // Meanwhile the timers tick, the link works, the local copy is in a private
    // folder, and the busy transfer refuses a second fetch without a word.
    void slowFetch()
    {
        server_->body = "1.2";
        server_->delay = 2500;
        QWidget* w = openUpdate();
        QStringList during;
        QTimer::singleShot(1500, w, [&] {
            QTest::mouseClick(w->findChild<QLabel*>("Label2"), Qt::LeftButton);
            auto* inet1 = w->findChild<update::NetworkTransfer*>("Inet1");
            during << text(w, "StatusBar1_Panel1") << text(w, "StatusBar1_Panel2")
                   << QString::number(QDir(tmp_.path()).count() - 2)
                   << QString::number(update::DownloadFile(*inet1, server_->url(), tmp_.path(),
                                                           dialogs_, nullptr));
        });
        command(w, '1')->click();
        QTest::qWait(1100);  // the clock has stopped
        QCOMPARE(during, (QStringList{"Status: Checking for updated version.",
                                      "Total Time: 1 Seconds", "1", "0"}));
        QCOMPARE(text(w, "StatusBar1_Panel2"), "Total Time: 2 Seconds");
        QCOMPARE(dialogs_.log, QStringList{kNoUpdate});
        QCOMPARE(desktop_.calls, std::vector{"Open|http://" + kHost.toStdString() + "||C:\\|1"});
        server_->delay = 1500;  // a second check counts from nothing
        command(w, '1')->click();
        QCOMPARE(text(w, "StatusBar1_Panel2"), "Total Time: 1 Seconds");
    }

    // Closing the window, or the whole program, aborts the fetch silently.
    void closeDuringFetch_data()
    {
        QTest::addColumn<bool>("program");
        QTest::newRow("window") << false;
        QTest::newRow("program") << true;
    }
    void closeDuringFetch()
    {
        QFETCH(bool, program);
        server_->body = "1.3";
        server_->delay = 3000;
        QPointer<QWidget> w = openUpdate();
        if (!program) {  // the program's end quits by itself
            connect(w, &QObject::destroyed, [] { QCoreApplication::exit(0); });
        }
        QTimer::singleShot(0, w, [&] { command(w, '1')->click(); });
        QTimer::singleShot(500, w, [&] { program ? shell::EndProgram(true) : void(w->close()); });
        QTimer::singleShot(10000, server_, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QTRY_VERIFY(w.isNull());
        QVERIFY(dialogs_.log.isEmpty());
    }

    // DownloadFile beside an older, longer qbver.txt.
    void downloadFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");  // empty: the write fails
        QTest::newRow("replaced whole") << "/varnel/qbver.txt" << "qbver.txt";
        QTest::newRow("query kept") << "/varnel/qbver.txt?v=1" << "qbver.txt?v=1";
        QTest::newRow("ends in /") << "/varnel/" << "";
        QTest::newRow("backslash") << "/varnel/..\\qbver.txt" << "";  // a separator on Windows
    }
    void downloadFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        const QByteArray old(100, 'o');
        server_->body = QByteArray("1.3\r\n\0\n\r\xff", 9);
        QTemporaryDir dir;
        std::ofstream(dir.filePath("qbver.txt").toStdString()) << old.toStdString();
        update::NetworkTransfer transfer;
        QCOMPARE(update::DownloadFile(transfer, server_->url(path), dir.path(), dialogs_, nullptr),
                 !name.isEmpty());
        QCOMPARE(dialogs_.log, name.isEmpty() ? QStringList{kFailed} : QStringList());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 name.contains('?') ? 2 : 1);
        QCOMPARE(read(dir.filePath("qbver.txt")), name == "qbver.txt" ? server_->body : old);
        QCOMPARE(read(dir.filePath(name)), name.isEmpty() ? "(missing)" : server_->body);
    }

private:
    // As the main window opens it.
    QWidget* openUpdate()
    {
        auto* w = new update::liveu({dialogs_, desktop_.desktop, server_->url().toStdString()});
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
