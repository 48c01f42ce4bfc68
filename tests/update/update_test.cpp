// own
#include "app/form1.h"
#include "support/fake_desktop.h"
#include "support/scripted_dialogs.h"
#include "quillbox/version.h"
#include "update/download_file.h"
#include "update/transfer.h"

// Qt
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// std
#include <memory>

using namespace quillbox;

namespace {

const QString kHost = settings::website_host;
const QString kUpdate = "There is an update available to version %1 at " + kHost;
const QString kNoUpdate = "There is no update available.";
const QString kUnreadable = "The update server's answer could not be read.";
const QString kFailed = "(i) " + QString(update::kTransferFailed);
const QString kBegin = "Click Check for New Version to begin";

// Logs each message shown; "(i) " marks the information icon.
// Answers every request alike: `status` with `body`, `delay` ms after it came.
struct Server {
    QTcpServer tcp;
    int status = 200;
    QByteArray body;
    int delay = 0;
    int requests = 0;

    Server()
    {
        tcp.listen(QHostAddress::LocalHost);
        QObject::connect(&tcp, &QTcpServer::newConnection, &tcp, [this] {
            QTcpSocket* s = tcp.nextPendingConnection();
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                if (s->property("answered").toBool() || !s->peek(8192).contains("\r\n\r\n")) {
                    return;
                }
                s->setProperty("answered", true);
                ++requests;
                QTimer::singleShot(delay, s, [this, s] {
                    s->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " +
                             QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    s->disconnectFromHost();
                });
            });
        });
    }
    QString url(const QString& path = "/varnel/qbver.txt") const
    {
        return QString("http://127.0.0.1:%1%2").arg(tcp.serverPort()).arg(path);
    }
};

QString text(QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }
QPushButton* button(QWidget* w, const char* name) { return w->findChild<QPushButton*>(name); }
int progress(QWidget* w) { return w->findChild<QProgressBar*>("ProgressBar1")->value(); }

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
        server_ = std::make_unique<Server>();
        desktop_ = std::make_unique<testing::FakeDesktop>();
        form_ = std::make_unique<app::Form1>(
            app::Services{dialogs_, desktop_->desktop, server_->url().toStdString()});
        dialogs_.log.clear();
    }
    void cleanup()
    {
        QVERIFY(QDir(tmp_.path()).isEmpty());
        QVERIFY(!QFile::exists(QCoreApplication::applicationDirPath() + "/qbver.txt"));
        form_->hide();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "liveu") {
                delete w;
            }
        }
        form_.reset();
    }

    void layoutAndLink()
    {
        QWidget* w = openUpdate();
        QCOMPARE(w->windowTitle(), "Quillbox Update Check (code by Marrow)");
        QCOMPARE(w->maximumSize(), w->minimumSize());
        QCOMPARE(w->findChild<QWidget*>("StatusBar1")->geometry(), QRect(0, 123, 442, 25));
        QVERIFY(button(w, "Command1")->font().bold() && !button(w, "Command2")->font().bold());
        QTest::mouseClick(w->findChild<QLabel*>("Label2"), Qt::LeftButton);
        QCOMPARE(desktop_->shell.calls,
                 std::vector<std::string>{"Open|http://" + kHost.toStdString() + "||C:\\|1"});
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
            server_->tcp.close();
        }
        QPointer<QWidget> w = openUpdate();
        button(w, "Command1")->click();
        QCOMPARE(dialogs_.log, QStringList{shown});
        QCOMPARE(server_->requests, status == 0 ? 0 : 1);
        const bool failed = shown == kFailed;
        QCOMPARE(text(w, "Label1"), failed ? kBegin : shown);
        QCOMPARE(progress(w), 3);
        QCOMPARE(button(w, "Command1")->isEnabled(), !failed);
        QCOMPARE(button(w, "Command2")->isEnabled(), !failed);
        QTRY_COMPARE(text(w, "StatusBar1_Panel1"), "Status: Idle");
        if (failed) {  // closed from the title bar and opened again: a fresh window
            w->close();
            QTRY_VERIFY(w.isNull());
            w = openUpdate();
            QVERIFY(button(w, "Command1")->isEnabled() && button(w, "Command2")->isEnabled());
            QCOMPARE(progress(w), 0);
            QCOMPARE(text(w, "Label1"), kBegin);
        }
    }

    // Meanwhile the timers tick, the local copy is in a private folder, and
    // the busy transfer refuses a second fetch without a word.
    void slowFetch()
    {
        server_->body = "1.2";
        server_->delay = 2500;
        QWidget* w = openUpdate();
        QStringList during;
        QTimer::singleShot(1500, w, [&] {
            auto* inet1 = w->findChild<update::NetworkTransfer*>("Inet1");
            during << text(w, "StatusBar1_Panel1") << text(w, "StatusBar1_Panel2")
                   << QString::number(QDir(tmp_.path()).count() - 2)
                   << QString::number(update::DownloadFile(*inet1, server_->url(), tmp_.path(),
                                                           dialogs_, nullptr));
        });
        button(w, "Command1")->click();
        QCOMPARE(during, (QStringList{"Status: Checking for updated version.",
                                      "Total Time: 1 Seconds", "1", "0"}));
        QCOMPARE(text(w, "StatusBar1_Panel2"), "Total Time: 2 Seconds");
        QCOMPARE(dialogs_.log, QStringList{kNoUpdate});
        QCOMPARE(server_->requests, 1);
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
        QTimer::singleShot(500, form_.get(), [&] { program ? form_->close() : w->close(); });
        if (program) {
            QTimer::singleShot(0, w, [&] { button(w, "Command1")->click(); });
            QTimer::singleShot(10000, form_.get(), [] { QCoreApplication::exit(1); });
            QCOMPARE(QCoreApplication::exec(), 0);
        } else {
            button(w, "Command1")->click();
        }
        QTRY_VERIFY(w.isNull());
        QVERIFY(dialogs_.log.isEmpty());
    }

    // DownloadFile beside an older, longer qbver.txt.
    void downloadFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");  // empty: the write fails
        QTest::addColumn<int>("files");
        QTest::newRow("replaced whole") << "/varnel/qbver.txt" << "qbver.txt" << 1;
        QTest::newRow("query kept") << "/varnel/qbver.txt?v=1" << "qbver.txt?v=1" << 2;
        QTest::newRow("ends in /") << "/varnel/" << "" << 1;
    }
    void downloadFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(int, files);
        const QByteArray old(100, 'o');
        server_->body = QByteArray("1.3\r\n\0\n\r\xff", 9);
        QTemporaryDir dir;
        QFile oldFile(dir.filePath("qbver.txt"));
        QVERIFY(oldFile.open(QIODevice::WriteOnly) && oldFile.write(old) == old.size());
        oldFile.close();
        update::NetworkTransfer transfer;
        QCOMPARE(update::DownloadFile(transfer, server_->url(path), dir.path(), dialogs_, nullptr),
                 !name.isEmpty());
        QCOMPARE(dialogs_.log, name.isEmpty() ? QStringList{kFailed} : QStringList());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), files);
        QCOMPARE(read(dir.filePath("qbver.txt")), name == "qbver.txt" ? server_->body : old);
        QCOMPARE(read(dir.filePath(name)), name.isEmpty() ? "(missing)" : server_->body);
    }

private:
    QWidget* openUpdate()
    {
        form_->findChild<QAction*>("mnuProgramUpdate")->trigger();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "liveu" && w->isVisible()) {
                return w;
            }
        }
        return nullptr;
    }
    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }

    QTemporaryDir tmp_;
    testing::ScriptedDialogs dialogs_;
    std::unique_ptr<testing::FakeDesktop> desktop_;
    std::unique_ptr<Server> server_;
    std::unique_ptr<app::Form1> form_;
};

QTEST_MAIN(UpdateTest)
#include "update_test.moc"
