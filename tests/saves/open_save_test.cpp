// own
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
        {"/dev/null", "it is not a plain file"},
    };
    if (geteuid() != 0) {  // root reads everything
        testing::write_file(dir.file("locked.xps"), Bytes(40));
        std::filesystem::permissions(dir.file("locked.xps"), std::filesystem::perms::none);
        cases.emplace_back(dir.file("locked.xps"), "permission denied");
    }
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
