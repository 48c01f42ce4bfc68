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

std::vector<Section> numbered(std::size_t count)
{
    std::vector<Section> out;
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(section("file" + std::to_string(i), 100 + i));
    }
    return out;
}

// Caption, start and length of slot i, as one text.
std::string slot(const SaveState& s, std::size_t i)
{
    return s.slots[i].caption + "|" + s.slots[i].start + "|" + s.slots[i].length;
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
    for (std::size_t i = 0; i <= n; ++i) {
        const std::size_t start = 1536 + 1536 * i + 510;  // data at E + 512, minus 2
        EXPECT_EQ(slot(s, i), i < n ? "file" + std::to_string(i) + "|" + std::to_string(start) + "|" +
                                          std::to_string(100 + i)
                                    : "|" + std::to_string(start) + "|0");
    }
    EXPECT_EQ(testing::enabled_count(s), n);
    EXPECT_EQ(s.selected_slot(), 0U);
}

INSTANTIATE_TEST_SUITE_P(OneToFifteen, EmsWalk, ::testing::Values(1, 2, 15));

TEST(EmsWalkLimits, SixteenSeventeenAndMoreEntries)
{
    testing::TempDir dir;
    const auto sixteen = load(dir, "16.psu", testing::ems_save("D", numbered(16)));
    EXPECT_FALSE(sixteen.outcome.message);
    EXPECT_EQ(testing::enabled_count(sixteen.state), 18U);
    EXPECT_EQ(slot(sixteen.state, 17), "||");

    const auto seventeen = load(dir, "17.psu", testing::ems_save("D", numbered(17)));
    EXPECT_EQ(seventeen.outcome.message, messages::kMayBeCorrupt);
    EXPECT_EQ(testing::enabled_count(seventeen.state), 18U);
    EXPECT_EQ(seventeen.state.slots[17].length, "0");

    const auto many = load(dir, "20.psu", testing::ems_save("D", numbered(20)));
    EXPECT_EQ(many.outcome.message, messages::kMayBeCorrupt);
    EXPECT_EQ(many.state.slots[17].caption, "file17");
    EXPECT_EQ(testing::enabled_count(many.state), 18U);
}

TEST(EmsWalkLayout, DataIsPaddedTo1024ButLengthsShowAsStored)
{
    testing::TempDir dir;
    const auto [s, outcome] = load(dir, "pad.psu", testing::ems_save("D", {section("a", 0), section("b", 1024),
                                                                           section("c", 1025), section("d", 1)}));
    EXPECT_EQ(slot(s, 0), "a|2046|0");
    EXPECT_EQ(slot(s, 1), "b|2558|1024");
    EXPECT_EQ(slot(s, 2), "c|4094|1025");
    EXPECT_EQ(slot(s, 3), "d|6654|1");
    // The scratch fields keep the last pass, the one beyond the last entry.
    EXPECT_EQ(s.txttempvar, "0");
    EXPECT_EQ(s.txttempvar3, s.slots[4].start);
}

TEST(EmsWalkNames, NameAt66EmptyNamesAndTheLimit)
{
    testing::TempDir dir;
    Section moved = section("moved", 10);
    moved.name_at_66 = true;
    const auto ok = load(dir, "ok.psu", testing::ems_save("D", {moved, section("", 10), section(std::string(31, 'x'), 10)}));
    EXPECT_EQ(testing::captions(ok.state)[0], "moved");
    EXPECT_EQ(testing::captions(ok.state)[1], "");
    EXPECT_EQ(testing::captions(ok.state)[2], std::string(31, 'x'));
    EXPECT_EQ(testing::enabled_count(ok.state), 3U);
    EXPECT_FALSE(ok.outcome.message);

    const auto bad = load(dir, "long.psu", testing::ems_save("D", {section("a", 10), section(std::string(32, 'y'), 10)}));
    EXPECT_EQ(bad.outcome.message, messages::kNameTooLong);
    EXPECT_EQ(slot(bad.state, 1), "|3582|10");
    EXPECT_EQ(testing::enabled_count(bad.state), 1U);
    EXPECT_EQ(bad.state.selected_slot(), 0U);

    // At the last slot nothing is disabled.
    std::vector<Section> entries = numbered(17);
    entries.push_back(section(std::string(40, 'z'), 5));
    const auto last = load(dir, "last.psu", testing::ems_save("D", entries));
    EXPECT_EQ(last.outcome.message, messages::kNameTooLong);
    EXPECT_EQ(testing::enabled_count(last.state), 18U);
}

TEST(EmsWalkShortFiles, TruncatedAndEmptySaves)
{
    testing::TempDir dir;
    Bytes b(100, 0);
    testing::put_text(b, 64, "SHORT");
    const auto short_save = load(dir, "short.psu", b);
    EXPECT_EQ(short_save.state.frame_caption, "Directory: SHORT");
    EXPECT_EQ(slot(short_save.state, 0), "|2046|0");
    EXPECT_EQ(testing::enabled_count(short_save.state), 0U);

    EXPECT_EQ(load(dir, "tiny.psu", Bytes(60, 'q')).state.frame_caption, "Directory: ");
    Bytes unterminated(70, 0);
    testing::put_text(unterminated, 64, "ABCDEF");
    EXPECT_EQ(load(dir, "unterminated.psu", unterminated).state.frame_caption, "Directory: ABCDEF");

    const auto empty = load(dir, "empty.psu", {});
    EXPECT_EQ(empty.outcome.kind, Kind::loaded);
    EXPECT_EQ(slot(empty.state, 0), "||");
    EXPECT_EQ(testing::enabled_count(empty.state), 0U);

    // A name offset two bytes before the end: that byte is read, so the walk
    // goes on, but the name is not.
    Bytes edge = testing::ems_save("D", {});
    edge.resize(1536 + 66);
    testing::put_u32(edge, 1536 + 4, 7);
    edge[1536 + 64] = 'n';
    const auto cut = load(dir, "edge.psu", edge);
    EXPECT_EQ(slot(cut.state, 0), "|2046|7");
    EXPECT_EQ(cut.state.slots[1].length, "0");
    EXPECT_EQ(testing::enabled_count(cut.state), 1U);
}

TEST(XportWalk, EmptyHeaderBlocksPutTheFirstEntryAt289)
{
    testing::TempDir dir;
    const testing::XportHeader bare{0, "", "", ""};
    ASSERT_EQ(testing::xport_first_entry(bare), 289U);
    const auto [s, outcome] = load(dir, "bare.xps", testing::xport_save("BESLES-1", {section("icon.sys", 10)}, bare));
    EXPECT_EQ(s.txtvalidxps, "True");
    EXPECT_EQ(s.frame_caption, "BESLES-1");
    EXPECT_EQ(slot(s, 0), "icon.sys|537|10");
    EXPECT_EQ(slot(s, 1), "|797|0");
    EXPECT_EQ(testing::enabled_count(s), 1U);
}

TEST(XportWalk, EntriesFollowUnpaddedAndTrailingBytesNameThePassBeyond)
{
    testing::TempDir dir;
    const testing::XportHeader h{0, "abc", "defgh", "ij"};
    const std::size_t n = testing::xport_first_entry(h);
    Bytes b = testing::xport_save("D", {section("a", 100), section("b", 0)}, h);
    const auto two = load(dir, "two.sps", b);
    EXPECT_EQ(two.state.slots[0].start, std::to_string(n + 248));
    EXPECT_EQ(slot(two.state, 1), "b|" + std::to_string(n + 350 + 248) + "|0");
    EXPECT_EQ(two.state.slots[2].start, std::to_string(n + 600 + 248));
    EXPECT_EQ(testing::enabled_count(two.state), 2U);

    testing::put_text(b, b.size(), "junk");
    b.resize(b.size() + 1);
    const auto trail = load(dir, "trail.xps", b);
    EXPECT_EQ(slot(trail.state, 2), "junk|" + std::to_string(n + 600 + 248) + "|0");
    EXPECT_EQ(testing::enabled_count(trail.state), 3U);
}

TEST(XportWalk, HeaderPointingPastTheEndListsNothing)
{
    testing::TempDir dir;
    Bytes b = testing::xport_save("D", {section("a", 10)});
    testing::put_u32(b, 21, 100000);
    const auto [s, outcome] = load(dir, "far.xps", b);
    EXPECT_EQ(outcome.kind, Kind::loaded);
    EXPECT_EQ(s.frame_caption, "");
    EXPECT_EQ(slot(s, 0), "|100537|0");
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
    Bytes third = testing::xport_save("D", {section("a", 10)});
    testing::put_u32(third, 49, 0x7FFFFFF0U);
    Bytes entry = testing::ems_save("D", {section("a", 10)});
    testing::put_u32(entry, 1536 + 4, 0xFFFFFFFFU);
    for (const auto& [name, content] : {std::pair{"header.xps", header}, std::pair{"third.xps", third},
                                        std::pair{"entry.psu", entry}}) {
        const auto after = load(dir, name, content, before.state);
        EXPECT_EQ(after.outcome.kind, Kind::failed) << name;
        EXPECT_EQ(after.outcome.message, messages::kMayBeCorrupt) << name;
        EXPECT_EQ(after.state, before.state) << name;
    }
}

}  // namespace
}  // namespace quillbox::saves
