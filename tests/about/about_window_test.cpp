// own
#include "about/frm_about.h"
#include "about/sys_info.h"
#include "support/fake_desktop.h"
#include "support/scripted_dialogs.h"

// Qt
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace quillbox;

namespace {

}  // namespace

class AboutWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        desktop_ = std::make_unique<testing::FakeDesktop>();
        box_ = new about::frmAbout({dialogs_, desktop_->desktop});
        box_->setAttribute(Qt::WA_DeleteOnClose);
        box_->show();
    }
    void cleanup() { delete box_.data(); }

    void layout()
    {
        QCOMPARE(box_->windowTitle(), "About Quillbox");
        QCOMPARE(box_->findChild<QLabel*>("lblVersion")->text(), "Version 1.2");
        QCOMPARE(box_->minimumSize(), QSize(331, 237));
        QCOMPARE(box_->maximumSize(), QSize(331, 237));
        QVERIFY(!(box_->windowFlags() &
                  (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        const std::pair<const char*, QRect> controls[] = {
            {"lblVersion", {22, 12, 259, 15}},  {"lblDescription", {22, 35, 259, 30}},
            {"Label1", {24, 80, 265, 17}},      {"Label2", {24, 104, 265, 17}},
            {"Label3", {24, 136, 273, 17}},     {"Line1_1", {6, 163, 371, 1}},
            {"Line1_0", {7, 164, 370, 2}},      {"lblDisclaimer", {17, 175, 210, 55}},
            {"cmdOK", {235, 175, 84, 23}},      {"cmdSysInfo", {236, 205, 83, 23}}};
        for (const auto& [name, rect] : controls) {
            QCOMPARE(box_->findChild<QWidget*>(name)->geometry(), rect);
        }
        const auto* description = box_->findChild<QLabel*>("lblDescription");  // not clipped
        QVERIFY(description->fontMetrics()
                    .boundingRect(description->rect(), Qt::TextWordWrap, description->text())
                    .height() <= description->height());
    }

    void keysClose_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::newRow("Enter") << Qt::Key_Return;
        QTest::newRow("Esc") << Qt::Key_Escape;
    }
    void keysClose()
    {
        QFETCH(Qt::Key, key);
        QTest::keyClick(box_, key);
        QTRY_VERIFY(box_.isNull());  // closed, so deleted
    }

    void linkAndSysInfo()
    {
        auto* link = box_->findChild<QLabel*>("Label3");
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(desktop_->shell.calls.size(), 1U);
        QCOMPARE(desktop_->shell.calls[0],
                 "Open|http://" + std::string(settings::website_host) + "||C:\\|1");

        auto* sysInfo = box_->findChild<QPushButton*>("cmdSysInfo");
        sysInfo->click();  // nothing in the registry, no tool of the desktop's own
        desktop_->launcher.own_tool = "/usr/bin/hardinfo";
        sysInfo->click();
        QCOMPARE(dialogs_.log, QStringList{about::kSysInfoUnavailable});
        QCOMPARE(desktop_->launcher.started, std::vector<std::string>{"/usr/bin/hardinfo"});
        QVERIFY(box_->isVisible());
    }

private:
    testing::ScriptedDialogs dialogs_;
    std::unique_ptr<testing::FakeDesktop> desktop_;
    QPointer<about::frmAbout> box_;
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
