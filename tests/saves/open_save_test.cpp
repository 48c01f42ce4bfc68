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

std::string family_of(const std::string& path, const std::string& before)
{
    SaveState s;
    s.txttype = before;
    Get_Type(s, path);
    return s.txttype;
}

TEST(GetType, ExactLowerOrUpperCaseExtensionAfterTheLastDot)
{
    EXPECT_EQ(family_of("C:\\saves\\game.psu", ""), "ems");
    EXPECT_EQ(family_of("GAME.PSD", "xv2"), "ems");
    EXPECT_EQ(family_of("/home/me/a.b.XPS", ""), "xv2");
    EXPECT_EQ(family_of("x.sps", "ems"), "xv2");
    EXPECT_EQ(family_of("my.saves/game.xps", ""), "xv2");
    // Unrecognised: the family stays what it was.
    EXPECT_EQ(family_of("game.Psu", "xv2"), "xv2");
    EXPECT_EQ(family_of("game.", "ems"), "ems");
    EXPECT_EQ(family_of("game", "ems"), "ems");
    EXPECT_EQ(family_of("/my.psu/game", "xv2"), "xv2");  // the tail is "psu/game"
    EXPECT_EQ(family_of("game.psu.bak", ""), "");
}

TEST(OpenSave, CancelChangesNothing)
{
    testing::TempDir dir;
    const auto loaded = load(dir, "a.psu", testing::ems_save("D", {section("x", 4)}));
    SaveState s = loaded.state;
    s.select(3);
    const SaveState before = s;
    EXPECT_EQ(open_save(s, "").kind, Kind::cancelled);
    EXPECT_EQ(s, before);
}

TEST(OpenSave, XportVariantByte)
{
    testing::TempDir dir;
    for (const int variant : {0, 2, 255}) {
        testing::XportHeader h;
        h.variant = static_cast<std::uint8_t>(variant);
        const auto r = load(dir, "v.xps", testing::xport_save("D", {section("x", 4)}, h));
        EXPECT_EQ(r.outcome.kind, Kind::loaded) << variant;
        EXPECT_EQ(r.state.txtvalidxps, "True");
    }
    // 17 bytes or fewer: byte 17 reads as 0.
    EXPECT_EQ(load(dir, "short.sps", Bytes(17, 1)).state.txtvalidxps, "True");
}

TEST(OpenSave, RefusedXportBlanksTheSlotsAndKeepsTheRest)
{
    testing::TempDir dir;
    auto first = load(dir, "first.psu", testing::ems_save("FIRST", {section("a", 4), section("b", 4)}));
    first.state.select(1);

    testing::XportHeader v1;
    v1.variant = 1;
    const auto r = load(dir, "v1.xps", testing::xport_save("D", {section("x", 4)}, v1), first.state);
    EXPECT_EQ(r.outcome.kind, Kind::refused);
    EXPECT_EQ(r.outcome.message, messages::kXportV1);
    EXPECT_EQ(r.state.txtload, dir.file("v1.xps"));
    EXPECT_EQ(r.state.txttype, "xv2");
    EXPECT_EQ(r.state.txtvalidxps, "False");
    EXPECT_EQ(r.state.frame_caption, "Directory: FIRST");
    EXPECT_EQ(r.state.selected_slot(), 1U);
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        EXPECT_EQ(r.state.slots[i].caption, "");
        EXPECT_TRUE(r.state.slots[i].enabled);
        EXPECT_EQ(r.state.slots[i].start, first.state.slots[i].start);
        EXPECT_EQ(r.state.slots[i].length, first.state.slots[i].length);
    }
}

TEST(OpenSave, ReloadingAShorterSaveLeavesNoStaleCaptions)
{
    testing::TempDir dir;
    std::vector<testing::Section> five;
    for (int i = 0; i < 5; ++i) {
        five.push_back(section("long" + std::to_string(i), 8));
    }
    const auto longer = load(dir, "long.psu", testing::ems_save("L", five));
    const auto shorter = load(dir, "short.xps", testing::xport_save("S", {section("only", 8)}), longer.state);
    EXPECT_EQ(testing::captions(shorter.state),
              std::vector<std::string>({"only", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(testing::enabled_count(shorter.state), 1U);
    // Slots the walk did not reach keep their old hidden texts.
    EXPECT_EQ(shorter.state.slots[4].length, "8");
}

TEST(OpenSave, UnrecognisedExtensionUsesThePreviousFamily)
{
    testing::TempDir dir;
    const Bytes ems = testing::ems_save("E", {section("a", 4)});
    // Nothing recognised yet: the Xport reader, and no variant test.
    const auto fresh = load(dir, "save.bin", ems);
    EXPECT_EQ(fresh.state.txttype, "");
    EXPECT_EQ(fresh.state.txtvalidxps, "");
    EXPECT_NE(fresh.state.frame_caption, "Directory: E");

    const auto after_ems = load(dir, "again.bin", ems, load(dir, "e.psu", ems).state);
    EXPECT_EQ(after_ems.state.txttype, "ems");
    EXPECT_EQ(after_ems.state.frame_caption, "Directory: E");
    EXPECT_EQ(after_ems.state.slots[0].caption, "a");
}

TEST(OpenSave, UnreadableSaveKeepsThePreviousSaveLoaded)
{
    testing::TempDir dir;
    const auto before = load(dir, "good.psu", testing::ems_save("GOOD", {section("a", 4)}));
    std::filesystem::create_directory(dir.path() / "folder.psu");
    std::vector<std::string> paths = {dir.file("missing.psu"), dir.file("folder.psu"), dir.file("missing.xps")};
    if (geteuid() != 0) {  // root reads everything
        testing::write_file(dir.file("locked.xps"), Bytes(40));
        std::filesystem::permissions(dir.file("locked.xps"), std::filesystem::perms::none);
        paths.push_back(dir.file("locked.xps"));
    }
    for (const std::string& path : paths) {
        SaveState s = before.state;
        const OpenOutcome r = open_save(s, path);
        EXPECT_EQ(r.kind, Kind::failed) << path;
        ASSERT_TRUE(r.message);
        EXPECT_NE(r.message->find("\"" + path + "\" could not be read: "), std::string::npos) << *r.message;
        EXPECT_EQ(s, before.state) << path;
    }
}

}  // namespace
}  // namespace quillbox::saves
