// own
#include "saves/messages.h"
#include "support/load_helpers.h"

// std
#include <unistd.h>

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using testing::Bytes;
using testing::load;
using testing::section;
using Kind = OpenOutcome::Kind;

TEST(GetType, ExactLowerOrUpperCaseExtensionAfterTheLastDot)
{
    const std::vector<std::tuple<const char*, const char*, const char*>> cases = {
        {"C:\\saves\\game.psu", "", "ems"}, {"GAME.PSD", "xv2", "ems"},
        {"/home/a.b.XPS", "", "xv2"},      {"my.saves/x.sps", "ems", "xv2"},
        // Unrecognised: the family stays what it was.
        {"game.Psu", "xv2", "xv2"},        {"game.", "ems", "ems"},
        {"game", "ems", "ems"},            {"/my.psu/game", "xv2", "xv2"},
    };
    for (const auto& [path, before, after] : cases) {
        SaveState s;
        s.txttype = before;
        Get_Type(s, path);
        EXPECT_EQ(s.txttype, after) << path;
    }
}

TEST(OpenSave, CancelChangesNothingAndVariantBytesOtherThanOnePass)
{
    testing::TempDir dir;
    SaveState s = load(dir, "a.psu", testing::ems_save("D", {section("x", 4)})).state;
    s.select(3);
    const SaveState before = s;
    EXPECT_EQ(open_save(s, "").kind, Kind::cancelled);
    EXPECT_EQ(s, before);

    for (const int variant : {0, 2, 255}) {
        const testing::XportHeader h = testing::with_variant(static_cast<std::uint8_t>(variant));
        const auto r = load(dir, "v.xps", testing::xport_save("D", {section("x", 4)}, h));
        EXPECT_EQ(r.outcome.kind, Kind::loaded) << variant;
        EXPECT_EQ(r.state.txtvalidxps, "True");
    }
    EXPECT_EQ(load(dir, "short.sps", Bytes(17, 1)).state.txtvalidxps, "True");  // no byte 17
}

TEST(OpenSave, RefusedXportBlanksTheSlotsAndKeepsTheRest)
{
    testing::TempDir dir;
    auto first = load(dir, "first.psu", testing::ems_save("FIRST", {section("a", 4), section("b", 4)}));
    first.state.select(1);
    const auto r = load(dir, "v1.xps", testing::xport_save("D", {section("x", 4)}, testing::with_variant(1)), first.state);
    EXPECT_EQ(r.outcome.kind, Kind::refused);
    EXPECT_EQ(r.outcome.message, messages::kXportV1);
    SaveState expected = first.state;
    expected.txtload = dir.file("v1.xps");
    expected.txttype = "xv2";
    expected.txtvalidxps = "False";
    for (Slot& slot : expected.slots) {
        slot.caption.clear();
        slot.enabled = true;
    }
    EXPECT_EQ(r.state, expected);
}

TEST(OpenSave, ReloadingAShorterSaveLeavesNoStaleCaptions)
{
    testing::TempDir dir;
    const auto longer = load(dir, "long.psu", testing::ems_save("L", std::vector(5, section("long", 8))));
    const auto shorter = load(dir, "short.xps", testing::xport_save("S", {section("only", 8)}), longer.state);
    std::vector<std::string> expected(kSlotCount);
    expected[0] = "only";
    EXPECT_EQ(testing::captions(shorter.state), expected);
    EXPECT_EQ(testing::enabled_count(shorter.state), 1U);
    EXPECT_EQ(shorter.state.slots[4].length, "8");  // untouched hidden texts stay
}

TEST(OpenSave, UnrecognisedExtensionUsesThePreviousFamily)
{
    testing::TempDir dir;
    const Bytes ems = testing::ems_save("E", {section("a", 4)});
    const auto fresh = load(dir, "save.bin", ems);  // nothing recognised yet: the Xport reader
    EXPECT_EQ(fresh.state.txtvalidxps, "");
    EXPECT_EQ(fresh.state.frame_caption, "");

    const auto after_ems = load(dir, "again.bin", ems, load(dir, "e.psu", ems).state);
    EXPECT_EQ(after_ems.state.frame_caption, "Directory: E");
    EXPECT_EQ(after_ems.state.slots[0].caption, "a");
}

TEST(OpenSave, UnreadableSaveKeepsThePreviousSaveLoaded)
{
    testing::TempDir dir;
    const auto before = load(dir, "good.psu", testing::ems_save("GOOD", {section("a", 4)}));
    std::filesystem::create_directory(dir.path() / "folder.psu");
    std::vector<std::pair<std::string, std::string>> cases = {
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
        EXPECT_EQ(r.kind, Kind::failed) << path;
        EXPECT_EQ(r.message, "The save \"" + path + "\" could not be read: " + reason + ".");
        EXPECT_EQ(s, before.state) << path;
    }
}

}  // namespace
}  // namespace quillbox::saves
