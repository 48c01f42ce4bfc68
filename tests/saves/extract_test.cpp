// own
#include "saves/extract.h"
#include "saves/messages.h"
#include "support/load_helpers.h"

// std
#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using testing::Bytes;
using testing::load;
using testing::section;
using Kind = ExtractOutcome::Kind;

Bytes slice(const Bytes& b, std::ptrdiff_t from, std::ptrdiff_t count)
{
    return Bytes(b.begin() + from, b.begin() + from + count);
}

class ExtractTest : public ::testing::Test {
protected:
    std::size_t files_in_out() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(out_), {}));
    }
    ExtractOutcome extract(const SaveState& s, const std::string& name)
    {
        return extract_data(s, (out_ / name).string());
    }
    Bytes written(const std::string& name) const { return testing::read_file(out_ / name); }

    testing::TempDir dir_;
    const std::filesystem::path out_ = dir_.path() / "out";
    const std::vector<testing::Section> sections_ = {section("a", 10, 0x40), section("b", 3000, 0x80)};
    const Bytes ems_ = testing::ems_save("D", sections_);
    const Bytes xport_ = testing::xport_save("D", sections_, {0, "", "", ""});

    void SetUp() override { std::filesystem::create_directory(out_); }
};

TEST_F(ExtractTest, CopiesTheSelectedSectionOfEitherFamilyOverAnyOldTarget)
{
    const SaveState ems = load(dir_, "s.psu", ems_).state;
    ASSERT_EQ(ems.slots[0].start, "2046");
    testing::write_file(out_ / "a.bin", Bytes(5000, 0xEE));
    const ExtractOutcome r = extract(ems, "a.bin");
    EXPECT_EQ(r.kind, Kind::written);
    EXPECT_EQ(r.message, messages::kExtracted);
    EXPECT_EQ(written("a.bin"), slice(ems_, 2048, 10));

    SaveState xport = load(dir_, "s.xps", xport_).state;
    ASSERT_EQ(xport.slots[0].start, "537");
    EXPECT_EQ(extract(xport, "x.bin").kind, Kind::written);
    EXPECT_EQ(written("x.bin"), slice(xport_, 537, 10));

    xport.select(1);
    const SaveState before = xport;
    EXPECT_EQ(extract(xport, "b1.bin").kind, Kind::written);
    EXPECT_EQ(extract(xport, "b2.bin").kind, Kind::written);
    EXPECT_EQ(written("b1.bin"), sections_[1].data);
    EXPECT_EQ(written("b2.bin"), sections_[1].data);
    EXPECT_EQ(xport, before);
    EXPECT_EQ(files_in_out(), 4U);
}

TEST_F(ExtractTest, EmptySectionsNoSelectionAndCancel)
{
    SaveState s = load(dir_, "empty.psu", {}).state;  // starts past the end, but reads nothing
    EXPECT_EQ(extract(s, "past.bin").message, messages::kExtracted);
    EXPECT_TRUE(written("past.bin").empty());

    s = load(dir_, "s.psu", ems_).state;
    s.slots[0].selected = false;
    EXPECT_EQ(extract(s, "none.bin").kind, Kind::written);
    EXPECT_TRUE(written("none.bin").empty());

    EXPECT_EQ(extract_data(s, "").kind, Kind::cancelled);
    EXPECT_FALSE(extract_data(s, "").message);
    EXPECT_EQ(files_in_out(), 2U);
}

TEST_F(ExtractTest, GuardWantsALoadedSaveThatWasNotRefused)
{
    EXPECT_EQ(check_loaded(SaveState{}), messages::kLoadFirst);
    const auto good = load(dir_, "s.psu", ems_);
    EXPECT_FALSE(check_loaded(good.state));
    const auto refused = load(dir_, "v1.xps", testing::xport_save("D", {}, testing::with_variant(1)), good.state);
    EXPECT_EQ(check_loaded(refused.state), messages::kLoadFirst);
    // A later good load lifts the refusal, though the verdict text stays.
    EXPECT_FALSE(check_loaded(load(dir_, "s.psu", ems_, refused.state).state));
}

// Every refusal and failure leaves the old target as it was and adds no file
// beside it.
TEST_F(ExtractTest, FailuresWriteNothing)
{
    const SaveState good = load(dir_, "s.psu", ems_).state;
    const auto with = [&](const std::string& start, const std::string& length) {
        SaveState s = good;
        s.slots[0].start = start;
        s.slots[0].length = length;
        return s;
    };
    SaveState gone = good;
    gone.txtload = dir_.file("gone.psu");
    std::filesystem::create_directory(out_ / "sub");

    const std::vector<std::tuple<SaveState, const char*, Kind, const char*>> cases = {
        {with("2046", "4294967295"), "t.bin", Kind::refused, "too large"},
        {with("2147483648", "1"), "t.bin", Kind::refused, "out of range"},
        {with("2147483647", "1"), "t.bin", Kind::refused, "out of range"},  // + 2 overflows
        {with("2046", "1000000"), "t.bin", Kind::refused, "runs past the end"},
        {gone, "t.bin", Kind::failed, "could not be read: the file does not exist"},
        {good, "no/such/t.bin", Kind::failed, "could not be written: its folder does not exist"},
        {good, "sub", Kind::failed, "it is a folder"},
    };
    for (const auto& [state, target, kind, reason] : cases) {
        testing::write_file(out_ / "t.bin", Bytes(3, 0x11));
        const ExtractOutcome r = extract(state, target);
        EXPECT_EQ(r.kind, kind) << reason;
        EXPECT_NE(r.message.value_or("").find(reason), std::string::npos) << r.message.value_or("");
        EXPECT_EQ(written("t.bin"), Bytes(3, 0x11)) << reason;
        EXPECT_EQ(files_in_out(), 2U) << reason;
    }
}

TEST_F(ExtractTest, ExistsCountsFilesOnly)
{
    testing::write_file(out_ / "f", Bytes(1));
    EXPECT_EQ(Exists((out_ / "f").string()), 1);
    EXPECT_EQ(Exists(out_.string()), 0);
    EXPECT_EQ(Exists((out_ / "missing").string()), 0);
    EXPECT_EQ(Exists(""), 0);
}

}  // namespace
}  // namespace quillbox::saves
