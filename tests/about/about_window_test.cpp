// own
#include "about/frm_about.h"
#include "quillbox/version.h"
#include "support/fake_desktop.h"
#include "support/scripted_dialogs.h"

// Qt
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace quillbox;

class AboutWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each box shows the same, its link and System Info work, and the key
    // closes it.
    void showsAndCloses_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void showsAndCloses()
    {
        QFETCH(int, key);
        testing::ScriptedDialogs dialogs;
        testing::FakeDesktop desktop;
        QPointer<QDialog> box = new about::frmAbout({dialogs, desktop.desktop});
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        QCOMPARE(box->windowTitle(), "About Quillbox");
        QCOMPARE(box->findChild<QLabel*>("lblVersion")->text(),
                 "Version " + QString(version::text));
        QVERIFY(box->minimumSize() == QSize(331, 237) && box->maximumSize() == QSize(331, 237));
        // The description fits, in a font made no smaller than it must be.
        const auto* description = box->findChild<QLabel*>("lblDescription");
        QVERIFY(description->fontMetrics()
                    .boundingRect(description->rect(), Qt::TextWordWrap, description->text())
                    .height() <= description->height());
        QVERIFY(description->font().pointSizeF() > 6);

        QTest::mouseClick(box->findChild<QLabel*>("Label3"), Qt::LeftButton);
        box->findChild<QPushButton*>("cmdSysInfo")->click();  // empty registry, no own tool
        QCOMPARE(desktop.calls.front(),
                 "Open|" + std::string(settings::website_address) + "||C:\\|1");
        QCOMPARE(dialogs.log, QStringList{"System Information Is Unavailable At This Time"});
        QTest::keyClick(box, Qt::Key(key));
        QTRY_VERIFY(box.isNull());  // closed, so deleted
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
