// own
#include "saves/codepage.h"
#include "saves/save_reader.h"
#include "support/load_helpers.h"

// std
#include <unistd.h>

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using testing::Bytes;
using testing::load;
using testing::section;
using testing::shown;
using Kind = OpenOutcome::Kind;

Bytes with_u32(Bytes b, std::size_t at, std::uint32_t v)
{
    testing::put_u32(b, at, v);
    return b;
}

Bytes with_text(Bytes b, std::size_t at, const std::string& text)
{
    testing::put_text(b, at, text);
    return b;
}

TEST(FindSections, ListsWhatEachLayoutHolds)
{
    testing::Section moved = section("moved", 10);
    moved.name_at_66 = true;
    const std::string x31(31, 'x');
    const Bytes xport = testing::xport_save("D", {section("a", 10)});
    const Bytes two = testing::xport_save("D", {section("a", 100), section("b", 0)}, {0, "abc", "defgh", "ij"});
    const std::vector<std::tuple<const char*, Bytes, std::string>> cases = {
        // Data padded to 1024, lengths as stored; the scratch fields keep the
        // pass beyond the last entry, the first slot disabled.
        {"pad.psu", testing::ems_save("D", {section("a", 0), section("b", 1024), section("c", 1025), section("d", 1)}),
         "Directory: D a@2046+0* b@2558+1024 c@4094+1025 d@6654+1 @8190+0- tmp=0,8190 /4"},
        {"names.psu", testing::ems_save("D", {moved, section("", 10), section(x31, 10)}),
         "Directory: D moved@2046+10* @3582+10 " + x31 + "@5118+10 @6654+0- tmp=0,6654 /3"},
        {"long.psu", testing::ems_save("D", {section("a", 10), section(std::string(32, 'y'), 10)}),
         "Directory: D a@2046+10* @3582+10- tmp=1024,3582 /1 !long"},
        {"short.psu", with_text(Bytes(100), 64, "SHORT"), "Directory: SHORT @2046+0*- tmp=0,2046 /0"},
        {"empty.psu", {}, "Directory:  tmp=, /0"},
        // A name two bytes before the end: that byte is read, so the walk goes
        // on, but the name is not.
        {"edge.psu", with_text(with_u32(Bytes(1602), 1540, 7), 1600, "n"), "Directory:  @2046+7* @3582+0- tmp=0,3582 /1"},
        {"bare.xps", testing::xport_save("BESLES-1", {section("icon.sys", 10)}, {0, "", "", ""}),
         "BESLES-1 icon.sys@537+10* @797+0- tmp=0,797 /1"},
        {"two.sps", two, "D a@547+100* b@897+0 @1147+0- tmp=0,1147 /2"},
        // Trailing bytes name the pass beyond; reading them clears the mark.
        {"trail.xps", with_text(two, two.size(), std::string("junk\0", 5)),
         "D a@547+100* b@897+0 junk@1147+0 @1397+0- tmp=0,1397 /3"},
        {"far.xps", with_u32(xport, 21, 100000), " @100537+0*- tmp=0,100537 /0"},
        // Lengths that carry a position past 2^31 - 1: a corrupt save, and the
        // window as it was.
        {"header.xps", with_u32(xport, 21, 0xFFFFFFF0U), "Directory Name tmp=, /18 !corrupt [failed]"},
        {"third.xps", with_u32(xport, 49, 0x7FFFFFF0U), "Directory Name tmp=, /18 !corrupt [failed]"},
        {"entry.psu", with_u32(testing::ems_save("D", {section("a", 1)}), 1540, 0xFFFFFFFFU),
         "Directory Name tmp=, /18 !corrupt [failed]"},
    };
    testing::TempDir dir;
    for (const auto& [name, content, expected] : cases) {
        EXPECT_EQ(shown(load(dir, name, content)), expected) << name;
    }
}

// Entries 1536 bytes apart, then the pass beyond, which is disabled with the
// rest; after 16 passes nothing is disabled, and a 19th means a corrupt save.
TEST(FindSections, FillsTheEighteenSlotsAndNoMore)
{
    testing::TempDir dir;
    for (const auto& [n, enabled, message] : std::vector<std::tuple<int, int, std::string>>{
             {15, 15, ""}, {16, 18, ""}, {17, 18, " !corrupt"}, {20, 18, " !corrupt"}}) {
        std::vector<testing::Section> entries;
        std::string expected = "Directory: D";
        for (int i = 0; i < n; ++i) {
            entries.push_back(section("file" + std::to_string(i), 100U + unsigned(i)));
        }
        for (int i = 0; i <= n && i < 18; ++i) {
            expected += " " + (i < n ? "file" + std::to_string(i) : "") + "@" + std::to_string(2046 + 1536 * i) +
                        "+" + std::to_string(i < n ? 100 + i : 0) + (i == 0 ? "*" : "") + (i >= enabled ? "-" : "");
        }
        const std::string shown_n = shown(load(dir, "n.psu", testing::ems_save("D", entries)));
        EXPECT_EQ(shown_n.substr(0, expected.size()), expected) << n;
        EXPECT_TRUE(shown_n.ends_with(" /" + std::to_string(enabled) + message)) << shown_n;
    }
    // A name too long at the last slot disables nothing.
    std::vector<testing::Section> entries(17, section("f", 1));
    entries.push_back(section(std::string(40, 'z'), 5));
    EXPECT_TRUE(shown(load(dir, "last.psu", testing::ems_save("D", entries))).ends_with(" /18 !long"));
}

TEST(HexToNumber, SevenDigitGroupsNeverNegativeAndOnlyHex)
{
    for (const auto& [hex, value] : std::vector<std::pair<const char*, std::uint64_t>>{
             {"FFFFFFFF", 4294967295U}, {"1", 1}, {"123456789abcdef", 0x123456789ABCDEFU}}) {
        EXPECT_EQ(hex_to_number(hex), value) << hex;
    }
    for (const char* bad : {"", "12G4", "-1", "1FFFFFFFFFFFFFFFF"}) {
        EXPECT_FALSE(hex_to_number(bad)) << bad;
    }
}

TEST(SaveReader, ReadsAcrossBlocksInAnyOrder)
{
    testing::TempDir dir;
    testing::Bytes b(10000);
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] = static_cast<std::uint8_t>(i % 251 + 1);
    }
    testing::write_file(dir.file("save.bin"), b);
    SaveReader save(dir.file("save.bin"));
    for (const std::int64_t o : {9999, 0, 4095, 4096, 8191, 8192, 5000}) {
        EXPECT_EQ(save.read_byte(o), o % 251 + 1) << o;
    }
}

TEST(Codepage, MapsWindows1252IncludingItsGaps)
{
    EXPECT_EQ(cp1252_to_utf8("a\x80\x99\x9F\xA0\xFF\x81\x9D"), "a\u20AC\u2122\u0178\u00A0\u00FF\u0081\u009D");
}

TEST(GetType, ExactLowerOrUpperCaseExtensionAfterTheLastDot)
{
    // The family before, the path, the family after.
    for (const auto& [before, path, after] : std::vector<std::tuple<const char*, const char*, const char*>>{
             {"", "C:\\saves\\game.psu", "ems"}, {"xv2", "G.PSU", "ems"}, {"xv2", "g.psd", "ems"},
             {"xv2", "G.PSD", "ems"}, {"", "/home/a.b.XPS", "xv2"}, {"ems", "x.xps", "xv2"},
             {"ems", "my.saves/x.sps", "xv2"}, {"ems", "X.SPS", "xv2"},
             // Unrecognised: the family stays what it was.
             {"xv2", "game.Psu", "xv2"}, {"ems", "game.", "ems"}, {"xv2", "/my.psu/game", "xv2"}}) {
        SaveState s;
        s.txttype = before;
        Get_Type(s, path);
        EXPECT_EQ(s.txttype, after) << path;
    }
}

// Each load on top of a save with more sections: the captions of that save go,
// its hidden texts beyond the new listing stay.
TEST(OpenSave, ReplacesThePreviousListingOrRefusesAnXportV1)
{
    testing::TempDir dir;
    const Bytes ems = testing::ems_save("E", {section("a", 4)});
    auto previous = load(dir, "prev.psu", testing::ems_save("P", {section("p", 4), section("q", 4), section("r", 4)}));
    previous.state.select(2);
    const std::string e = "Directory: E a@2046+4* @3582+0- @5118+4- @6654+0- tmp=0,3582 /1";
    // File name, content, what the window shows, the Xport verdict.
    const std::vector<std::tuple<const char*, Bytes, std::string, const char*>> cases = {
        {"e.psu", ems, e, ""},
        {"x.xps", testing::xport_save("X", {section("a", 4)}, testing::with_variant(255)),
         "X a@557+4* @811+0- @5118+4- @6654+0- tmp=0,811 /1", "True"},
        {"short.sps", Bytes(17, 1), " @537+0*- @3582+4- @5118+4- @6654+0- tmp=0,537 /0", "True"},  // no byte 17
        {"again.bin", ems, e, ""},  // not recognised: read as the family before
        {"v1.xps", testing::xport_save("X", {section("a", 4)}, testing::with_variant(1)),
         "Directory: P @2046+4 @3582+4 @5118+4* @6654+0 tmp=0,6654 /18 !" + std::string(messages::kXportV1) +
             " [refused]",
         "False"},
    };
    for (const auto& [name, content, expected, verdict] : cases) {
        const auto r = load(dir, name, content, previous.state);
        EXPECT_EQ(shown(r), expected) << name;
        EXPECT_EQ(r.state.txtvalidxps, verdict) << name;
    }
    // A fresh window with no recognised extension reads the Xport layout.
    EXPECT_TRUE(shown(load(dir, "fresh.bin", ems)).starts_with(" @537+0* @787+0 "));
}

TEST(OpenSave, CancelOrAnUnreadableSaveKeepsThePreviousSave)
{
    testing::TempDir dir;
    auto before = load(dir, "good.psu", testing::ems_save("GOOD", {section("a", 4)}));
    before.state.select(3);
    std::filesystem::create_directory(dir.path() / "folder.psu");
    std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {dir.file("missing.xps"), "the file does not exist"},
        {dir.file("folder.psu"), "it is a folder"},
    };
#ifndef _WIN32  // Windows has neither /dev/null nor owner-only permissions
    cases.emplace_back("/dev/null", "it is not a plain file");
    if (geteuid() != 0) {  // root reads everything
        testing::write_file(dir.file("locked.xps"), Bytes(40));
        std::filesystem::permissions(dir.file("locked.xps"), std::filesystem::perms::none);
        cases.emplace_back(dir.file("locked.xps"), "permission denied");
    }
#endif
    for (const auto& [path, reason] : cases) {
        SaveState s = before.state;
        const OpenOutcome r = open_save(s, path);
        EXPECT_EQ(r.kind, path.empty() ? Kind::cancelled : Kind::failed) << path;
        EXPECT_EQ(r.message.value_or(""), path.empty() ? "" : "The save \"" + path + "\" could not be read: " + reason + ".");
        EXPECT_EQ(s, before.state) << path;
    }
}

}  // namespace
}  // namespace quillbox::saves
