// own
#include "saves/messages.h"
#include "support/load_helpers.h"

// std
#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using testing::Bytes;
using testing::load;
using testing::section;
using testing::Section;
using Kind = OpenOutcome::Kind;

std::vector<Section> numbered(std::size_t count, std::size_t size = 100)
{
    std::vector<Section> out;
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(section("file" + std::to_string(i), size + i));
    }
    return out;
}

class EmsWalk : public ::testing::TestWithParam<std::size_t> {};

TEST_P(EmsWalk, ListsEntriesThenThePassBeyondAndDisablesFromThere)
{
    testing::TempDir dir;
    const std::size_t n = GetParam();
    const auto [s, outcome] = load(dir, "save.psu", testing::ems_save("BASLUS-1", numbered(n)));

    EXPECT_EQ(outcome.kind, Kind::loaded);
    EXPECT_FALSE(outcome.message);
    EXPECT_EQ(s.frame_caption, "Directory: BASLUS-1");
    std::size_t e = 1536;
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_EQ(s.slots[i].caption, "file" + std::to_string(i));
        EXPECT_EQ(s.slots[i].start, std::to_string(e + 510));
        EXPECT_EQ(s.slots[i].length, std::to_string(100 + i));
        e += 512 + 1024;
    }
    EXPECT_EQ(s.slots[n].caption, "");
    EXPECT_EQ(s.slots[n].length, "0");
    EXPECT_EQ(s.slots[n].start, std::to_string(e + 510));
    EXPECT_EQ(testing::enabled_count(s), n);
    EXPECT_EQ(s.selected_slot(), 0U);
}

INSTANTIATE_TEST_SUITE_P(OneToFifteen, EmsWalk, ::testing::Values(1, 2, 7, 15));

TEST(EmsWalkLimits, SixteenSeventeenAndMoreEntries)
{
    testing::TempDir dir;
    const auto sixteen = load(dir, "16.psu", testing::ems_save("D", numbered(16)));
    EXPECT_FALSE(sixteen.outcome.message);
    EXPECT_EQ(testing::enabled_count(sixteen.state), 18U);
    EXPECT_EQ(sixteen.state.slots[16].length, "0");
    EXPECT_EQ(sixteen.state.slots[16].caption, "");
    EXPECT_EQ(sixteen.state.slots[17].length, "");

    const auto seventeen = load(dir, "17.psu", testing::ems_save("D", numbered(17)));
    EXPECT_EQ(seventeen.outcome.kind, Kind::loaded);
    EXPECT_EQ(seventeen.outcome.message, messages::kMayBeCorrupt);
    EXPECT_EQ(testing::enabled_count(seventeen.state), 18U);
    EXPECT_EQ(seventeen.state.slots[16].caption, "file16");
    EXPECT_EQ(seventeen.state.slots[17].length, "0");

    const auto many = load(dir, "20.psu", testing::ems_save("D", numbered(20)));
    EXPECT_EQ(many.outcome.message, messages::kMayBeCorrupt);
    EXPECT_EQ(many.state.slots[17].caption, "file17");
    EXPECT_EQ(testing::enabled_count(many.state), 18U);
    EXPECT_EQ(many.state.selected_slot(), 0U);
}

TEST(EmsWalkLayout, PaddingOffsetsAndScratchFields)
{
    testing::TempDir dir;
    const auto [s, outcome] = load(dir, "pad.psu",
                                   testing::ems_save("D", {section("a", 0), section("b", 1024),
                                                           section("c", 1025), section("d", 1)}));
    EXPECT_EQ(s.slots[0].start, "2046");
    EXPECT_EQ(s.slots[1].start, std::to_string(2046 + 512));
    EXPECT_EQ(s.slots[2].start, std::to_string(2046 + 512 + 512 + 1024));
    EXPECT_EQ(s.slots[2].length, "1025");
    EXPECT_EQ(s.slots[3].start, std::to_string(2046 + 512 + 512 + 1024 + 512 + 2048));
    EXPECT_EQ(s.slots[3].caption, "d");
    // The scratch fields keep the last pass, the one beyond the last entry.
    EXPECT_EQ(s.txttempvar, "0");
    EXPECT_EQ(s.txttempvar3, s.slots[4].start);
}

TEST(EmsWalkNames, NameAt66EmptyNamesAndTheLimit)
{
    testing::TempDir dir;
    Section moved = section("moved", 10);
    moved.name_at_66 = true;
    const auto ok = load(dir, "names.psu",
                         testing::ems_save("D", {moved, section("", 10), section(std::string(31, 'x'), 10)}));
    EXPECT_EQ(ok.state.slots[0].caption, "moved");
    EXPECT_EQ(ok.state.slots[1].caption, "");
    EXPECT_TRUE(ok.state.slots[1].enabled);
    EXPECT_EQ(ok.state.slots[2].caption, std::string(31, 'x'));
    EXPECT_FALSE(ok.outcome.message);

    const auto bad = load(dir, "long.psu",
                          testing::ems_save("D", {section("a", 10), section(std::string(32, 'y'), 10)}));
    EXPECT_EQ(bad.outcome.kind, Kind::loaded);
    EXPECT_EQ(bad.outcome.message, messages::kNameTooLong);
    EXPECT_EQ(bad.state.slots[1].caption, "");
    EXPECT_EQ(bad.state.slots[1].length, "10");
    EXPECT_EQ(testing::enabled_count(bad.state), 1U);
    EXPECT_EQ(bad.state.selected_slot(), 0U);
}

TEST(EmsWalkNames, TooLongAtTheLastSlotDisablesNothing)
{
    testing::TempDir dir;
    std::vector<Section> entries = numbered(17);
    entries.push_back(section(std::string(40, 'z'), 5));
    const auto [s, outcome] = load(dir, "last.psu", testing::ems_save("D", entries));
    EXPECT_EQ(outcome.message, messages::kNameTooLong);
    EXPECT_EQ(testing::enabled_count(s), 18U);
    EXPECT_EQ(s.slots[17].caption, "");
    EXPECT_EQ(s.slots[17].length, "5");
}

TEST(EmsWalkShortFiles, TruncatedAndEmptySaves)
{
    testing::TempDir dir;
    // Shorter than the first length field: one pass that reads nothing.
    Bytes b(100, 0);
    testing::put_text(b, 64, "SHORT");
    const auto short_save = load(dir, "short.psu", b);
    EXPECT_EQ(short_save.state.frame_caption, "Directory: SHORT");
    EXPECT_EQ(short_save.state.slots[0].length, "0");
    EXPECT_EQ(short_save.state.slots[0].start, "2046");
    EXPECT_EQ(testing::enabled_count(short_save.state), 0U);

    // Under 65 bytes, and without a zero after the directory name.
    const auto tiny = load(dir, "tiny.psu", Bytes(60, 'q'));
    EXPECT_EQ(tiny.state.frame_caption, "Directory: ");
    Bytes unterminated(70, 0);
    testing::put_text(unterminated, 64, "ABCDEF");
    EXPECT_EQ(load(dir, "unterminated.psu", unterminated).state.frame_caption, "Directory: ABCDEF");

    const auto empty = load(dir, "empty.psu", {});
    EXPECT_EQ(empty.outcome.kind, Kind::loaded);
    EXPECT_FALSE(empty.outcome.message);
    EXPECT_EQ(empty.state.frame_caption, "Directory: ");
    EXPECT_EQ(empty.state.slots[0].length, "");
    EXPECT_EQ(testing::enabled_count(empty.state), 0U);
}

TEST(EmsWalkShortFiles, NameWithinTheLastTwoBytesIsNotRead)
{
    testing::TempDir dir;
    // The entry ends two bytes after its name offset: the byte there is read
    // (so the walk goes on), the name is not.
    Bytes b = testing::ems_save("D", {});
    b.resize(1536 + 66);
    testing::put_u32(b, 1536 + 4, 7);
    b[1536 + 64] = 'n';
    const auto [s, outcome] = load(dir, "edge.psu", b);
    EXPECT_EQ(s.slots[0].length, "7");
    EXPECT_EQ(s.slots[0].caption, "");
    EXPECT_EQ(s.slots[1].length, "0");
    EXPECT_EQ(testing::enabled_count(s), 1U);
}

TEST(XportWalk, EmptyHeaderBlocksPutTheFirstEntryAt289)
{
    testing::TempDir dir;
    const testing::XportHeader bare{0, "", "", ""};
    ASSERT_EQ(testing::xport_first_entry(bare), 289U);
    const auto [s, outcome] = load(dir, "bare.xps",
                                   testing::xport_save("BESLES-1", {section("icon.sys", 10)}, bare));
    EXPECT_EQ(outcome.kind, Kind::loaded);
    EXPECT_EQ(s.txtvalidxps, "True");
    EXPECT_EQ(s.frame_caption, "BESLES-1");
    EXPECT_EQ(s.slots[0].caption, "icon.sys");
    EXPECT_EQ(s.slots[0].start, "537");
    EXPECT_EQ(s.slots[0].length, "10");
    EXPECT_EQ(s.slots[1].length, "0");
    EXPECT_EQ(testing::enabled_count(s), 1U);
}

TEST(XportWalk, EntriesFollowOneAnotherUnpadded)
{
    testing::TempDir dir;
    const testing::XportHeader h{0, "abc", "defgh", "ij"};
    const std::size_t n = testing::xport_first_entry(h);
    const auto [s, outcome] = load(
        dir, "two.sps", testing::xport_save("D", {section("a", 100), section("b", 0)}, h));
    EXPECT_EQ(s.slots[0].start, std::to_string(n + 248));
    EXPECT_EQ(s.slots[1].start, std::to_string(n + 350 + 248));
    EXPECT_EQ(s.slots[1].caption, "b");
    EXPECT_EQ(s.slots[2].start, std::to_string(n + 600 + 248));
    EXPECT_EQ(testing::enabled_count(s), 2U);
}

TEST(XportWalk, TrailingBytesGiveThePassBeyondACaption)
{
    testing::TempDir dir;
    Bytes b = testing::xport_save("D", {section("a", 10)});
    testing::put_text(b, b.size(), "junk");
    b.resize(b.size() + 1);
    const auto [s, outcome] = load(dir, "trail.xps", b);
    EXPECT_EQ(s.slots[1].caption, "junk");
    EXPECT_EQ(s.slots[1].length, "0");
    EXPECT_EQ(s.slots[2].length, "0");
    EXPECT_EQ(testing::enabled_count(s), 2U);
}

TEST(XportWalk, HeaderPointingPastTheEndListsNothing)
{
    testing::TempDir dir;
    Bytes b = testing::xport_save("D", {section("a", 10)});
    testing::put_u32(b, 21, 100000);
    const auto [s, outcome] = load(dir, "far.xps", b);
    EXPECT_EQ(outcome.kind, Kind::loaded);
    EXPECT_EQ(s.frame_caption, "");
    EXPECT_EQ(s.slots[0].length, "0");
    EXPECT_EQ(s.slots[0].caption, "");
    EXPECT_EQ(testing::enabled_count(s), 0U);
}

// Lengths that carry a position past 2^31 - 1 mean a corrupt save: the
// message, and the window as it was, previous save included.
TEST(PositionOverflow, KeepsThePreviousSave)
{
    testing::TempDir dir;
    const auto before = load(dir, "good.psu", testing::ems_save("GOOD", numbered(3)));

    Bytes header = testing::xport_save("D", {section("a", 10)});
    testing::put_u32(header, 21, 0xFFFFFFF0U);
    Bytes entry = testing::ems_save("D", {section("a", 10)});
    testing::put_u32(entry, 1536 + 4, 0xFFFFFFFFU);
    Bytes third = testing::xport_save("D", {section("a", 10)});
    testing::put_u32(third, 21 + 4 + 4 + 4 + 16, 0x7FFFFFF0U);

    for (const auto& [name, content] :
         {std::pair{"header.xps", header}, std::pair{"entry.psu", entry}, std::pair{"third.xps", third}}) {
        const auto after = load(dir, name, content, before.state);
        EXPECT_EQ(after.outcome.kind, Kind::failed) << name;
        EXPECT_EQ(after.outcome.message, messages::kMayBeCorrupt) << name;
        EXPECT_EQ(after.state, before.state) << name;
    }
}

}  // namespace
}  // namespace quillbox::saves
