// own
#include "app/user_dialogs.h"

// Qt
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// std
#include <functional>

using quillbox::app::QtUserDialogs;

namespace {

// Once a modal T is up and `ready` says so, hands it to `act`, which must close it.
template <typename T>
void whenShown(const std::function<bool(T*)>& ready, const std::function<void(T*)>& act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [=] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && ready(w)) {
            poll->deleteLater();
            poll->stop();
            act(w);
        }
    });
    poll->start(20);
}

// The names the dialog lists in its current folder.
QStringList listedNames(QFileDialog* dialog)
{
    const auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
        names << view->model()->index(row, 0, view->rootIndex()).data().toString();
    }
    return names;
}

}  // namespace

class UserDialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void messageIsPlainWithOkOnly()
    {
        QString title;
        QString text;
        bool plain = false;
        whenShown<QMessageBox>([](QMessageBox*) { return true; }, [&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            plain = box->textFormat() == Qt::PlainText && box->icon() == QMessageBox::NoIcon &&
                    box->standardButtons() == QMessageBox::Ok;
            box->button(QMessageBox::Ok)->click();
        });
        QtUserDialogs().message(nullptr, QStringLiteral("<b>one</b>\r\ntwo"));
        QCOMPARE(title, QStringLiteral("Quillbox"));
        QCOMPARE(text, QStringLiteral("<b>one</b>\ntwo"));
        QVERIFY(plain);
    }

    // A case-sensitive file system must still list game.psu beside GAME.XPS.
    void openListsBothCasesAndReturnsThePath_data()
    {
        QTest::addColumn<bool>("choose");
        QTest::newRow("chosen") << true;
        QTest::newRow("cancelled") << false;
    }
    void openListsBothCasesAndReturnsThePath()
    {
        QFETCH(bool, choose);
        QTemporaryDir dir;
        for (const char* name : {"game.psu", "GAME.XPS", "notes.txt"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QStringList filters;
        QStringList listed;
        whenShown<QFileDialog>(
            [&](QFileDialog* d) {
                if (d->directory().path() != dir.path()) {
                    d->setDirectory(dir.path());
                }
                return listedNames(d).size() >= 2;
            },
            [&](QFileDialog* d) {
                filters = d->nameFilters();
                listed = listedNames(d);
                listed.sort();
                if (choose) {
                    // As a user would: type the name, press Enter.
                    auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                    name->setText(QStringLiteral("game.psu"));
                    QTest::keyClick(name, Qt::Key_Return);
                } else {
                    d->reject();
                }
            });
        const QString chosen = QtUserDialogs().openFileName(
            nullptr, QStringLiteral("PS2 Save Files"), QStringLiteral("*.PSU *.PSD *.XPS *.SPS"));
        QCOMPARE(filters, QStringList{"PS2 Save Files (*.PSU *.PSD *.XPS *.SPS)"});
        QCOMPARE(listed, (QStringList{"GAME.XPS", "game.psu"}));
        QCOMPARE(chosen, choose ? dir.filePath("game.psu") : QString());
    }
};

QTEST_MAIN(UserDialogsTest)
#include "user_dialogs_test.moc"
