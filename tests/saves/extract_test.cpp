// own
#include "saves/extract.h"
#include "support/load_helpers.h"

// std
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using testing::Bytes;
using testing::load;
using testing::section;
using Kind = ExtractOutcome::Kind;

class ExtractTest : public ::testing::Test {
protected:
    ExtractOutcome extract(const SaveState& s, const std::string& name) { return extract_data(s, file(name)); }
    std::string file(const std::string& name) const { return (out_ / name).string(); }
    Bytes written(const std::string& name) const { return testing::read_file(out_ / name); }

    testing::TempDir dir_;
    const std::filesystem::path out_ = dir_.path() / "out";
    const std::vector<testing::Section> sections_ = {section("a", 10, 0x40), section("b", 3000, 0x80)};
    const SaveState ems_ = load(dir_, "s.psu", testing::ems_save("D", sections_)).state;

    void SetUp() override { std::filesystem::create_directory(out_); }
};

TEST_F(ExtractTest, CopiesTheSelectedSectionOfEitherFamilyOverAnyOldTarget)
{
    testing::write_file(out_ / "a.bin", Bytes(5000, 0xEE));
    const ExtractOutcome r = extract(ems_, "a.bin");
    EXPECT_EQ(r.kind, Kind::written);
    EXPECT_EQ(r.message, messages::kExtracted);
    EXPECT_EQ(written("a.bin"), sections_[0].data);

    SaveState xport = load(dir_, "s.xps", testing::xport_save("D", sections_)).state;
    xport.select(1);
    EXPECT_EQ(extract(xport, "b.bin").kind, Kind::written);
    EXPECT_EQ(written("b.bin"), sections_[1].data);

    // An empty save lists a slot past its end, and no selection reads nothing:
    // both give an empty file. Cancel gives nothing.
    EXPECT_EQ(extract(load(dir_, "empty.psu", {}).state, "past.bin").kind, Kind::written);
    xport.slots[1].selected = false;
    EXPECT_EQ(extract(xport, "none.bin").kind, Kind::written);
    EXPECT_EQ(written("past.bin").size() + written("none.bin").size(), 0U);
    const ExtractOutcome cancelled = extract_data(xport, "");
    EXPECT_EQ(cancelled.kind, Kind::cancelled);
    EXPECT_FALSE(cancelled.message);
}

TEST_F(ExtractTest, GuardWantsALoadedSaveThatWasNotRefused)
{
    EXPECT_EQ(check_loaded(SaveState{}), messages::kLoadFirst);
    EXPECT_FALSE(check_loaded(ems_));
    const auto refused = load(dir_, "v1.xps", testing::xport_save("D", {}, testing::with_variant(1)), ems_);
    EXPECT_EQ(check_loaded(refused.state), messages::kLoadFirst);
    // A later good load lifts the refusal, though the verdict text stays.
    EXPECT_FALSE(check_loaded(load(dir_, "e.psu", {}, refused.state).state));
}

// Every refusal and failure leaves the old target as it was and adds no file
// beside it.
TEST_F(ExtractTest, FailuresWriteNothing)
{
    const auto with = [&](const std::string& start, const std::string& length, const std::string& load = "") {
        SaveState s = ems_;
        s.slots[0].start = start;
        s.slots[0].length = length;
        s.txtload = load.empty() ? s.txtload : load;
        return s;
    };
    std::filesystem::create_directory(out_ / "sub");
    const std::vector<std::tuple<SaveState, const char*, Kind, const char*>> cases = {
        {with("2046", "4294967295"), "t.bin", Kind::refused, "too large"},
        {with("2147483648", "1"), "t.bin", Kind::refused, "out of range"},
        {with("2147483647", "1"), "t.bin", Kind::refused, "out of range"},  // + 2 overflows
        {with("2046", "1000000"), "t.bin", Kind::refused, "runs past the end"},
        {with("2046", "10", dir_.file("gone.psu")), "t.bin", Kind::failed, "could not be read: the file does not exist"},
        {ems_, "no/such/t.bin", Kind::failed, "could not be written: its folder does not exist"},
        {ems_, "sub", Kind::failed, "it is a folder"},
        {with("3582", "3000"), "t.bin", Kind::failed, "could not be written: File too large"},
    };
    for (const auto& [state, target, kind, reason] : cases) {
        testing::write_file(out_ / "t.bin", Bytes(3, 0x11));
        ExtractOutcome r;
        if (reason == std::string("could not be written: File too large")) {
#ifndef _WIN32
            // A disk that fills up under the temporary file, which still closes.
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            const rlimit full{1000, limit.rlim_max};
            const auto signal_was = std::signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &full);
            r = extract(state, target);
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, signal_was);
#else
            continue;
#endif
        } else {
            r = extract(state, target);
        }
        EXPECT_EQ(r.kind, kind) << reason;
        EXPECT_NE(r.message.value_or("").find(reason), std::string::npos) << r.message.value_or("");
        EXPECT_EQ(written("t.bin"), Bytes(3, 0x11)) << reason;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out_), {}), 2) << reason;
    }
}

TEST_F(ExtractTest, ExistsCountsFilesOnly)
{
    testing::write_file(out_ / "f", Bytes(1));
    EXPECT_EQ((std::vector{Exists(file("f")), Exists(out_.string()), Exists(file("missing")), Exists("")}),
              (std::vector{1, 0, 0, 0}));
}

}  // namespace
}  // namespace quillbox::saves
