// own
#include "quillbox/version.h"
#include "update/download_file.h"
#include "update/update_check.h"
#include "update/version_file.h"

// Qt
#include <QDir>
#include <QTemporaryDir>

// std
#include <memory>
#include <utility>

#include <gtest/gtest.h>

// Failures show Qt's texts as text.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace quillbox::update {
namespace {

using Body = std::optional<QByteArray>;

// Answers when the test says so; busy from the request to the answer.
struct ScriptedTransfer final : Transfer {
    QString url;
    Done done;

    [[nodiscard]] bool StillExecuting() const override { return done != nullptr; }
    void OpenURL(const QString& asked, Done then) override
    {
        url = asked;
        done = std::move(then);
    }
    void Cancel() override { done = nullptr; }
};

// What the check reports, given the URL and the transfer's answer; a second
// start while the transfer is busy is refused at once and leaves the first
// check be, and a cancelled check says nothing more. The local copy, in a
// folder of the check's own under TMPDIR, is kept until the answer has been
// shown, no longer.
TEST(UpdateCheck, ReportsEachStepAndTheEnd)
{
    const QTemporaryDir tmp;
    qputenv("TMPDIR", tmp.path().toLocal8Bit());
    const QString file = "http://v.example/varnel/qbver.txt";
    // A minor version above the build's: the rows hold when the version moves.
    const QByteArray newer =
        QByteArray::number(version::major) + '.' + QByteArray::number(version::minor + 1);
    const QString read = " | 2 Version check success. | answered: ";
    const QString update =
        read + "There is an update available to version " + newer + " at " + settings::website_host;
    const QString failed = " | failed: " + QString(kTransferFailed);
    enum Then { answer, twice, cancel };
    for (const auto& [name, url, body, end, then] :
         std::initializer_list<std::tuple<const char*, QString, Body, QString, Then>>{
             // clang-format off
             {"newer", file, newer, update, answer},
             {"the running version", file, QByteArray(version::text), read + "There is no update available.", answer},
             {"no version", file, "<p>", read + kUnreadable, answer},
             {"fetch failed", file, {}, failed, answer},
             {"started twice", file, newer, " | 1 Checking for updated version. | failed: " + update, twice},
             {"cancelled", file, newer, "", cancel},
             {"query kept", file + "?v=1", newer, update, answer},
             {"/ first", "/qbver.txt", newer, update, answer},
             {"ends in /", "http://v.example/", newer, failed, answer},
             {"no /", "qbver.txt", newer, failed, answer},
             {".", "http://v.example/.", newer, failed, answer},
             {"..", "http://v.example/..", newer, failed, answer},
             {"backslash", "http://v.example/..\\q", newer, failed, answer},
             {"NUL", "http://v.example/q" + QString(QChar::Null), newer, failed, answer},
             // clang-format on
         }) {
        SCOPED_TRACE(name);
        auto owned = std::make_unique<ScriptedTransfer>();
        ScriptedTransfer& transfer = *owned;
        UpdateCheck check(std::move(owned), url);
        QStringList log;
        QObject::connect(&check, &UpdateCheck::stepReached, [&](int step, const QString& status) {
            log << QString::number(step) + ' ' + status;
        });
        QObject::connect(&check, &UpdateCheck::failed,
                         [&](const QString& s) { log << "failed: " + s; });
        QObject::connect(&check, &UpdateCheck::answered, [&](const QString& s) {
            log << "answered: " + s + (QDir(tmp.path()).isEmpty() ? " (copy gone)" : "");
        });
        check.start();
        if (then == twice) {
            check.start();
        } else if (then == cancel) {
            check.cancel();
        }
        if (transfer.done) {
            EXPECT_EQ(transfer.url, url);
            std::exchange(transfer.done, nullptr)(body);
        }
        EXPECT_EQ(log.join(" | "), "1 Checking for updated version." + end);
        EXPECT_TRUE(QDir(tmp.path()).isEmpty());
    }
}

// The first field of a version file, and "!" after it when it is no version.
TEST(VersionFile, FirstFieldAndWhetherItIsAVersion)
{
    for (const auto& [text, read] : std::initializer_list<std::pair<std::string, std::string>>{
             // clang-format off
             {"1.3\r\n9.9\r\n", "1.3"},
             {"1.3\n9", "1.3"},
             {"1.3\r9", "1.3"},
             {"1.3,9", "1.3"},
             {"\"1.3\",\"9\"", "1.3"},
             {"\"1,3\"\r\n", "1,3 !"},
             {"\"1.3\r\n", "1.3\r\n !"},
             {"  2 \t\r\n", "2"},
             {"\r\n1.3", " !"},
             {"", " !"},
             {"\xEF\xBB\xBF" "1.3", "1.3"},
             {"\xEF\xBB\xBF  \"9\"", "9"},
             {"1.10.3", "1.10.3"},
             {"123456789012345678901.1", "123456789012345678901.1"},
             {"1.3.", "1.3. !"},
             {".1", ".1 !"},
             {"1..3", "1..3 !"},
             {"1/3", "1/3 !"},
             {"1:3", "1:3 !"},
             {"1 .3", "1 .3 !"},
             // clang-format on
         }) {
        const std::string field = first_field(text);
        EXPECT_EQ(field + (is_version(field) ? "" : " !"), read) << "file: " << text;
    }
}

// Numbers compared as numbers, from the left; a missing one counts as 0.
TEST(VersionFile, NewerComparesNumbers)
{
    for (const auto& [remote, current, newer] :
         std::initializer_list<std::tuple<std::string, std::string, bool>>{
             // clang-format off
             {"1.3", "1.2", true},
             {"1.2", "1.2", false},
             {"1.10", "1.9", true},
             {"1.9", "1.10", false},
             {"2", "1.9", true},
             {"0.10", "1.0", false},
             {"1.2.1", "1.2", true},
             {"1.2", "1.2.1", false},
             {"1.2.0", "1.2", false},
             {"01.02", "1.2", false},
             {"1.100000000000000000001", "1.100000000000000000000", true},
             {"1.100000000000000000000", "1.99999999999999999999", true},
             // clang-format on
         }) {
        EXPECT_EQ(is_newer(remote, current), newer) << remote << " after " << current;
    }
}

}  // namespace
}  // namespace quillbox::update
