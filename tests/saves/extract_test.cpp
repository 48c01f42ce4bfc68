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

Bytes slice(const Bytes& b, std::size_t from, std::size_t count)
{
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
                 b.begin() + static_cast<std::ptrdiff_t>(from + count));
}

std::size_t files_in(const std::filesystem::path& dir)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

class ExtractTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ems_ = testing::ems_save("D", {section("a", 10, 0x40), section("b", 3000, 0x80)});
        xport_ = testing::xport_save("D", {section("a", 10, 0x40), section("b", 3000, 0x80)},
                                     testing::XportHeader{0, "", "", ""});
        out_ = dir_.path() / "out";
        std::filesystem::create_directory(out_);
    }

    ExtractOutcome extract(const SaveState& s, const std::string& name)
    {
        return extract_data(s, (out_ / name).string());
    }

    testing::TempDir dir_;
    Bytes ems_;
    Bytes xport_;
    std::filesystem::path out_;
};

TEST_F(ExtractTest, CopiesTheSelectedSectionOfEitherFamily)
{
    const auto ems = load(dir_, "s.psu", ems_);
    ASSERT_EQ(ems.state.slots[0].start, "2046");
    const ExtractOutcome r = extract(ems.state, "a.bin");
    EXPECT_EQ(r.kind, Kind::written);
    EXPECT_EQ(r.message, messages::kExtracted);
    EXPECT_EQ(testing::read_file(out_ / "a.bin"), slice(ems_, 2048, 10));

    const auto xport = load(dir_, "s.xps", xport_);
    ASSERT_EQ(xport.state.slots[0].start, "537");
    EXPECT_EQ(extract(xport.state, "x.bin").kind, Kind::written);
    EXPECT_EQ(testing::read_file(out_ / "x.bin"), slice(xport_, 537, 10));

    SaveState second = xport.state;
    second.select(1);
    EXPECT_EQ(extract(second, "b1.bin").kind, Kind::written);
    EXPECT_EQ(extract(second, "b2.bin").kind, Kind::written);
    EXPECT_EQ(testing::read_file(out_ / "b1.bin"), testing::section("b", 3000, 0x80).data);
    EXPECT_EQ(testing::read_file(out_ / "b1.bin"), testing::read_file(out_ / "b2.bin"));
}

TEST_F(ExtractTest, ReplacesALongerTargetWholly)
{
    const auto s = load(dir_, "s.psu", ems_).state;
    testing::write_file(out_ / "old.bin", Bytes(5000, 0xEE));
    EXPECT_EQ(extract(s, "old.bin").kind, Kind::written);
    EXPECT_EQ(testing::read_file(out_ / "old.bin"), slice(ems_, 2048, 10));
    EXPECT_EQ(files_in(out_), 1U);
}

TEST_F(ExtractTest, EmptySectionsAndNoSelectionWriteEmptyFiles)
{
    SaveState s = load(dir_, "s.psu", testing::ems_save("D", {section("zero", 0)})).state;
    EXPECT_EQ(extract(s, "zero.bin").message, messages::kExtracted);
    EXPECT_TRUE(testing::read_file(out_ / "zero.bin").empty());

    // Even where an empty section would start past the end of the save.
    s = load(dir_, "empty.psu", {}).state;
    EXPECT_EQ(extract(s, "past.bin").kind, Kind::written);
    EXPECT_TRUE(testing::read_file(out_ / "past.bin").empty());

    s = load(dir_, "s.psu", ems_).state;
    s.slots[0].selected = false;
    EXPECT_EQ(extract(s, "none.bin").kind, Kind::written);
    EXPECT_TRUE(std::filesystem::exists(out_ / "none.bin"));
    EXPECT_TRUE(testing::read_file(out_ / "none.bin").empty());
}

TEST_F(ExtractTest, CancelledDialogTouchesNothing)
{
    const SaveState s = load(dir_, "s.psu", ems_).state;
    EXPECT_EQ(extract_data(s, "").kind, Kind::cancelled);
    EXPECT_FALSE(extract_data(s, "").message);
    EXPECT_EQ(files_in(out_), 0U);
}

TEST_F(ExtractTest, GuardWantsALoadedSaveThatWasNotRefused)
{
    EXPECT_EQ(check_loaded(SaveState{}), messages::kLoadFirst);
    const auto good = load(dir_, "s.psu", ems_);
    EXPECT_FALSE(check_loaded(good.state));
    testing::XportHeader v1;
    v1.variant = 1;
    const auto refused = load(dir_, "v1.xps", testing::xport_save("D", {}, v1), good.state);
    EXPECT_EQ(check_loaded(refused.state), messages::kLoadFirst);
    // A later good load lifts the refusal even if the verdict text stays.
    EXPECT_FALSE(check_loaded(load(dir_, "s.psu", ems_, refused.state).state));
}

// Every refusal and failure leaves the old target as it was, adds no file
// beside it, and leaves the window's state alone.
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

    struct Case {
        const char* what;
        SaveState state;
        const char* target;
        Kind kind;
        const char* message_part;
    };
    const std::vector<Case> cases = {
        {"length past 2^31", with("2046", "4294967295"), "t.bin", Kind::refused, "too large"},
        {"start past 2^31", with("2147483648", "1"), "t.bin", Kind::refused, "out of range"},
        {"offset overflow", with("2147483647", "1"), "t.bin", Kind::refused, "out of range"},
        {"past the end", with("2046", "1000000"), "t.bin", Kind::refused, "runs past the end"},
        {"not a number", with("12x", "1"), "t.bin", Kind::refused, "out of range"},
        {"save missing", gone, "t.bin", Kind::failed, "could not be read: the file does not exist"},
        {"missing folder", good, "no/such/t.bin", Kind::failed, "could not be written"},
        {"target is a folder", good, "sub", Kind::failed, "it is a folder"},
    };
    std::filesystem::create_directory(out_ / "sub");
    for (const Case& c : cases) {
        testing::write_file(out_ / "t.bin", Bytes(3, 0x11));
        const SaveState before = c.state;
        const ExtractOutcome r = extract(c.state, c.target);
        EXPECT_EQ(r.kind, c.kind) << c.what;
        ASSERT_TRUE(r.message) << c.what;
        EXPECT_NE(r.message->find(c.message_part), std::string::npos) << c.what << ": " << *r.message;
        EXPECT_EQ(testing::read_file(out_ / "t.bin"), Bytes(3, 0x11)) << c.what;
        EXPECT_EQ(files_in(out_), 2U) << c.what;
        EXPECT_EQ(c.state, before);
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
