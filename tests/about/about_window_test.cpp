// own
#include "about/frm_about.h"
#include "quillbox/version.h"
#include "support/fake_desktop.h"
#include "support/scripted_dialogs.h"

// Qt
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace quillbox;

class AboutWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each box shows the same, and Enter closes one, Esc the other.
    void showsAndCloses()
    {
        testing::ScriptedDialogs dialogs;
        testing::FakeDesktop desktop;
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            QPointer<QDialog> box = new about::frmAbout({dialogs, desktop.desktop});
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->show();
            QCOMPARE(box->windowTitle(), "About Quillbox");
            QCOMPARE(box->findChild<QLabel*>("lblVersion")->text(), "Version 1.2");
            QVERIFY(box->minimumSize() == QSize(331, 237) && box->maximumSize() == QSize(331, 237));
            const std::pair<const char*, QRect> controls[] = {
                {"lblVersion", {22, 12, 259, 15}}, {"lblDescription", {22, 35, 259, 30}},
                {"Label1", {24, 80, 265, 17}},     {"Label2", {24, 104, 265, 17}},
                {"Label3", {24, 136, 273, 17}},    {"Line1_1", {6, 163, 371, 1}},
                {"Line1_0", {7, 164, 370, 2}},     {"lblDisclaimer", {17, 175, 210, 55}},
                {"cmdOK", {235, 175, 84, 23}},     {"cmdSysInfo", {236, 205, 83, 23}}};
            for (const auto& [name, rect] : controls) {
                QCOMPARE(box->findChild<QWidget*>(name)->geometry(), rect);
            }
            const QImage etched = box->grab(QRect(10, 163, 1, 2)).toImage();  // grey over white
            QCOMPARE(etched.pixelColor(0, 0), QColor(128, 128, 128));
            QCOMPARE(etched.pixelColor(0, 1), QColor(Qt::white));
            // The description fits, in a font made no smaller than it must be.
            const auto* description = box->findChild<QLabel*>("lblDescription");
            QVERIFY(description->fontMetrics()
                        .boundingRect(description->rect(), Qt::TextWordWrap, description->text())
                        .height() <= description->height());
            QVERIFY(description->font().pointSizeF() > 6);

            auto* link = box->findChild<QLabel*>("Label3");
            QTest::mouseClick(link, Qt::LeftButton);
            QCOMPARE(desktop.calls.back(),
                     "Open|http://" + std::string(settings::website_host) + "||C:\\|1");
            box->findChild<QPushButton*>("cmdSysInfo")->click();  // empty registry, no own tool
            QCOMPARE(dialogs.log.back(), "System Information Is Unavailable At This Time");

            QTest::keyClick(box, key);
            QTRY_VERIFY(box.isNull());  // closed, so deleted
        }
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
