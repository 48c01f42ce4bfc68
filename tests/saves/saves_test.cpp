// own
#include "saves/codepage.h"
#include "saves/extract.h"
#include "saves/messages.h"
#include "saves/open_save.h"
#include "saves/save_reader.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <algorithm>
#include <map>

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using namespace quillbox::testing;
namespace fs = std::filesystem;

struct Loaded {
    SaveState state;
    OpenOutcome outcome;
};

// File, Open of `content` saved as `name` in `dir`, on `state` (a fresh window by default).
Loaded load(const TempDir& dir, const std::string& name, const Bytes& content, SaveState state = {})
{
    write_file(dir.file(name), content);
    OpenOutcome outcome = open_save(state, dir.file(name));
    return {std::move(state), std::move(outcome)};
}

// What a File, Open left in the window, as one line: the frame caption;
// "caption@start+length" of each slot with a start or a caption, marked "*"
// when selected and "-" when disabled; the scratch fields; "/n" slots enabled
// in all; then the message, if any, and the outcome unless it is "loaded".
std::string shown(const Loaded& l)
{
    std::string out = l.state.frame_caption;
    const auto enabled = std::ranges::count(l.state.slots, true, &Slot::enabled);
    for (const Slot& slot : l.state.slots) {
        if (!slot.start.empty() || !slot.caption.empty()) {
            out += " " + slot.caption + "@" + slot.start + "+" + slot.length +
                   (slot.selected ? "*" : "") + (slot.enabled ? "" : "-");
        }
    }
    const std::string text = l.outcome.message.value_or("");
    const std::string message = text == messages::kNameTooLong    ? "long"
                                : text == messages::kMayBeCorrupt ? "corrupt"
                                                                  : text;
    return out + " tmp=" + l.state.txttempvar + "," + l.state.txttempvar3 + " /" +
           std::to_string(enabled) + (message.empty() ? "" : " !" + message) +
           std::array{" [cancelled]", "", " [refused]",
                      " [failed]"}[static_cast<std::size_t>(l.outcome.kind)];
}

Bytes with(Bytes b, std::size_t at, std::uint32_t v) { return put_u32(b, at, v), b; }
Bytes with(Bytes b, std::size_t at, const std::string& text) { return put_text(b, at, text), b; }

// Each case: the file, its bytes, and the end of what the window shows.
TEST(FindSections, ListsWhatEachLayoutHolds)
{
    const std::string x31(31, 'x');
    const Bytes xport = xport_save("D", {section("a", 10)});
    const Bytes two =
        xport_save("D", {section("a", 100), section("b", 0)}, {0, "abc", "defgh", "ij"});
    const std::vector<std::tuple<const char*, Bytes, std::string>> cases = {
        // Data padded to 1024, lengths as stored; the scratch fields keep the
        // pass beyond the last entry, the first slot disabled.
        {"pad.psu",
         ems_save("D", {section("a", 0), section("b", 1024), section("c", 1025), section("d", 1)}),
         "Directory: D a@2046+0* b@2558+1024 c@4094+1025 d@6654+1 @8190+0- tmp=0,8190 /4"},
        // A zero byte at E+64 moves the name to E+66.
        {"names.psu",
         with(ems_save("D", {section("", 10), section("", 10), section(x31, 10)}), 1602, "moved"),
         "Directory: D moved@2046+10* @3582+10 " + x31 + "@5118+10 @6654+0- tmp=0,6654 /3"},
        {"long.psu", ems_save("D", {section("a", 10), section(std::string(32, 'y'), 10)}),
         "Directory: D a@2046+10* @3582+10- tmp=1024,3582 /1 !long"},
        {"short.psu", ems_save("SHORT", {}), "Directory: SHORT @2046+0*- tmp=0,2046 /0"},
        {"empty.psu", {}, "Directory:  tmp=, /0"},
        // A name two bytes before the end: that byte is read, so the walk goes
        // on, but the name is not.
        {"edge.psu", with(with(Bytes(), 1540, 7U), 1600, std::string("n\0", 2)),
         "Directory:  @2046+7* @3582+0- tmp=0,3582 /1"},
        {"edge3.psu", with(with(Bytes(), 1540, 7U), 1600, std::string("n\0\0", 3)),
         "Directory:  n@2046+7* @3582+0- tmp=0,3582 /1"},
        // Entries 1536 bytes apart: after 16 passes nothing is disabled, a 19th
        // means a corrupt save, and a name too long in slot 17 disables nothing.
        {"15.psu", ems_save("D", std::vector(15, section("f", 1))),
         " f@23550+1 @25086+0- tmp=0,25086 /15"},
        {"16.psu", ems_save("D", std::vector(16, section("f", 1))),
         " f@25086+1 @26622+0 tmp=0,26622 /18"},
        {"17.psu", ems_save("D", std::vector(17, section("f", 1))),
         " f@26622+1 @28158+0 tmp=0,28158 /18 !corrupt"},
        {"last.psu",
         with(ems_save("D", std::vector(18, section("f", 1))), 27712, std::string(40, 'z')),
         " f@26622+1 @28158+1 tmp=1024,28158 /18 !long"},
        {"bare.xps", xport_save("B", {section("i", 10)}, {0, "", "", ""}),
         "B i@537+10* @797+0- tmp=0,797 /1"},
        {"two.sps", two, "D a@547+100* b@897+0 @1147+0- tmp=0,1147 /2"},
        // Trailing bytes name the pass beyond; reading them clears the mark.
        {"trail.xps", with(two, two.size(), std::string("junk\0", 5)),
         "D a@547+100* b@897+0 junk@1147+0 @1397+0- tmp=0,1397 /3"},
        // Positions past 2^31 - 1: a corrupt save, and the window as it was.
        {"header.xps", with(xport, 21, 0xFFFFFFF0U), "Directory Name tmp=, /18 !corrupt [failed]"},
        {"entry.psu", with(ems_save("D", {section("a", 1)}), 1540, 0xFFFFFFFFU),
         "Directory Name tmp=, /18 !corrupt [failed]"},
    };
    TempDir dir;
    for (const auto& [name, content, expected] : cases) {
        const std::string got = shown(load(dir, name, content));
        EXPECT_TRUE(got.ends_with(expected)) << name << ": " << got;
    }
}

TEST(ReadingOperations, HexGroupsOfSevenBytesAcrossBlocksWindows1252)
{
    const std::vector<std::pair<const char*, std::optional<std::uint64_t>>> hexes = {
        {"FFFFFFFF", 4294967295U},
        {"1", 1},
        {"123456789abcdef", 0x123456789ABCDEFU},
        {"", {}},
        {"12G4", {}},
        {"-1", {}},
        {"1FFFFFFFFFFFFFFFF", {}}};
    for (const auto& [hex, value] : hexes) {
        EXPECT_EQ(hex_to_number(hex), value) << hex;
    }
    TempDir dir;
    write_file(dir.file("save.bin"), section("", 10000).data);
    SaveReader save(dir.file("save.bin"));
    for (const std::int64_t o : {9999, 0, 4095, 4096, 8191, 8192, 5000}) {
        EXPECT_EQ(save.read_byte(o), static_cast<std::uint8_t>(o + 1)) << o;
    }
    EXPECT_EQ(cp1252_to_utf8("a\x80\x99\x9F\xA0\xFF\x81\x9D"),
              "a\u20AC\u2122\u0178\u00A0\u00FF\u0081\u009D");
}

TEST(GetType, ExactLowerOrUpperCaseExtensionAfterTheLastDot)
{
    std::string families;
    for (const char* path :
         {"C:\\saves\\game.psu", "G.PSU", "g.psd", "G.PSD", "/home/a.b.XPS", "x.xps",
          "my.saves/x.sps", "X.SPS", "game.Psu", "game.", "/my.psu/game"}) {
        SaveState s;
        Get_Type(s, path);
        families += s.txttype + "|";
    }
    EXPECT_EQ(families,
              "ems|ems|ems|ems|xv2|xv2|xv2|xv2||||");  // unrecognised: the family stays as it was
}

// Each File, Open on top of a save with more sections: the captions of that
// save go, its hidden texts beyond the new listing stay; a cancelled or
// unreadable one leaves the window exactly as it was.
TEST(OpenSave, ReplacesThePreviousListingRefusesAnXportV1OrKeepsThePreviousSave)
{
    TempDir dir;
    const Bytes ems = ems_save("E", {section("a", 4)});
    Loaded previous =
        load(dir, "prev.psu", ems_save("P", {section("p", 4), section("q", 4), section("r", 4)}));
    previous.state.select(2);
    const std::string e = "Directory: E a@2046+4* @3582+0- @5118+4- @6654+0- tmp=0,3582 /1";
    const std::string p = "Directory: P p@2046+4 q@3582+4 r@5118+4* @6654+0- tmp=0,6654 /3";
    const auto unreadable = [&](const std::string& name, const std::string& reason) {
        return p + " !The save \"" + dir.file(name) + "\" could not be read: " + reason +
               ". [failed]";
    };
    fs::create_directory(dir.path() / "folder.psu");
    // File name, its content (none: not written), what the window shows, the Xport verdict.
    std::vector<std::tuple<std::string, std::optional<Bytes>, std::string, const char*>> cases = {
        {"e.psu", ems, e, ""},
        {"x.xps", xport_save("X", {section("a", 4)}, with_variant(255)),
         "X a@557+4* @811+0- @5118+4- @6654+0- tmp=0,811 /1", "True"},
        {"short.sps", Bytes(17, 1), " @537+0*- @3582+4- @5118+4- @6654+0- tmp=0,537 /0",
         "True"},                   // no byte 17
        {"again.bin", ems, e, ""},  // not recognised: read as the family before
        {"v1.xps", xport_save("X", {}, with_variant(1)),
         "Directory: P @2046+4 @3582+4 @5118+4* @6654+0 tmp=0,6654 /18 !" +
             std::string(messages::kXportV1) + " [refused]",
         "False"},
        {"", {}, p + " [cancelled]", ""},
        {"missing.xps", {}, unreadable("missing.xps", "the file does not exist"), ""},
        {"folder.psu", {}, unreadable("folder.psu", "it is a folder"), ""},
    };
#ifndef _WIN32  // Windows has no /dev/null
    cases.emplace_back("/dev/null", std::nullopt, unreadable("/dev/null", "it is not a plain file"),
                       "");
#endif
    for (const auto& [name, content, expected, verdict] : cases) {
        Loaded r{previous.state, {}};
        if (content) {
            write_file(dir.file(name), *content);
        }
        r.outcome = open_save(r.state, name.empty() ? "" : dir.file(name));
        EXPECT_EQ(shown(r), expected) << name;
        EXPECT_EQ(r.state.txtvalidxps, verdict) << name;
        EXPECT_EQ(r.state == previous.state, !content) << name;
        // Extract's guard: a refused save leaves the slots of the one before, which are not its
        // own.
        EXPECT_EQ(check_loaded(r.state).has_value(), name == "v1.xps") << name;
    }
    EXPECT_EQ(check_loaded(SaveState{}), messages::kLoadFirst);
    // A fresh window with no recognised extension reads the Xport layout.
    EXPECT_TRUE(shown(load(dir, "fresh.bin", ems)).starts_with(" @537+0* @787+0 "));
}

// Each case extracts to t.bin over an old, longer file: a success replaces
// it, anything else leaves it as it was; no file is ever left beside it.
TEST(Extract, WritesTheSelectedSectionOrNothing)
{
    using Kind = ExtractOutcome::Kind;
    TempDir dir;
    const fs::path out = dir.path() / "out";
    fs::create_directories(out / "sub");
    const std::vector<Section> sections = {section("a", 10, 0x40), section("b", 3000, 0x80)};
    const SaveState ems = load(dir, "s.psu", ems_save("D", sections)).state;
    SaveState xport = load(dir, "s.xps", xport_save("D", sections)).state;
    xport.select(1);
    SaveState none = xport;
    none.slots[1].selected = false;
    // Slot 0 selected with `start` and `length`, in the save `path`.
    const auto slot0 = [&](const char* start, const char* length, const std::string& path = "") {
        SaveState s = ems;
        s.slots[0] = {"a", true, true, start, length};
        s.txtload = path.empty() ? s.txtload : path;
        return s;
    };
    // Large sections are read into memory mapped apart from the heap; a length
    // that is no whole number of pages must still come out byte for byte.
    const Section big = section("big", (5U << 20) + 3, 7);
    const SaveState large = load(dir, "big.psu", ems_save("D", {big})).state;
    const Bytes old(5000, 0x11);
    const std::vector<std::tuple<SaveState, const char*, Kind, const char*, Bytes>> cases = {
        {ems, "t.bin", Kind::written, messages::kExtracted, sections[0].data},
        {xport, "t.bin", Kind::written, messages::kExtracted, sections[1].data},
        {none, "t.bin", Kind::written, messages::kExtracted, {}},  // no selection reads nothing
        {large, "t.bin", Kind::written, messages::kExtracted, big.data},
        {large, "sub", Kind::failed, "it is a folder", old},  // the room taken is given back
        {large, "no/such/t.bin", Kind::failed, "its folder does not exist", old},
        {ems, "", Kind::cancelled, "none", old},
        {slot0("2046", "4294967295"), "t.bin", Kind::refused, "too large", old},
        {slot0("2147483648", "1"), "t.bin", Kind::refused, "out of range", old},
        {slot0("2147483647", "1"), "t.bin", Kind::refused, "out of range", old},  // + 2 overflows
        {slot0("2046", "1000000"), "t.bin", Kind::refused, "runs past the end", old},
        {slot0("2046", "10", dir.file("gone.psu")), "t.bin", Kind::failed,
         "read: the file does not exist", old},
        {ems, "no/such/t.bin", Kind::failed, "could not be written: its folder does not exist",
         old},
        {ems, "sub", Kind::failed, "it is a folder", old},
#ifndef _WIN32
        {slot0("3582", "3000"), "t.bin", Kind::failed, "could not be written: File too large", old},
#endif
    };
    for (const auto& [state, target, kind, message, content] : cases) {
        write_file(out / "t.bin", old);
        const std::string path = *target ? (out / target).string() : "";
#ifndef _WIN32
        // A disk that fills up under the temporary file, which still closes.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit full{std::string_view(message).ends_with("large") ? 1000 : limit.rlim_cur,
                          limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &full);
#endif
        const ExtractOutcome r = extract_data(state, path);
#ifndef _WIN32
        setrlimit(RLIMIT_FSIZE, &limit);
#endif
        EXPECT_EQ(r.kind, kind) << message;
        EXPECT_NE(r.message.value_or("none").find(message), std::string::npos)
            << r.message.value_or("none");
        EXPECT_TRUE(read_file(out / "t.bin") == content) << message;  // not printed: up to 5 MiB
        EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 2) << message;
    }
    EXPECT_EQ((std::vector{Exists(dir.file("s.psu")), Exists(out.string()), Exists(dir.file("no")),
                           Exists("")}),
              (std::vector{1, 0, 0, 0}));
}

// Saves written by other tools: the EMS and both Xport containers of one save
// list the same sections (cli_real_saves checks the bytes extracted from each).
TEST(RealSaves, AllThreeContainersListTheSameSections)
{
    const fs::path saves = QUILLBOX_REAL_SAVES;
    if (!fs::exists(saves / "BESCES-50501REZ.psu")) {
        GTEST_SKIP() << "no real saves at " << saves;
    }
    const std::string ems =
        "icon.sys@2046+964* rez.ico@3582+46360 BESCES-50501REZ@51198+3072 @54782+0- tmp=0,54782 /3";
    const std::string xport =
        "BESCES-50501REZ icon.sys@567+964* rez.ico@1781+46360 BESCES-50501REZ@48391+3072 @51713+0- "
        "tmp=0,51713 /3";
    for (const auto& [save, expected] : std::vector<std::pair<const char*, std::string>>{
             {"BESCES-50501REZ.psu", "Directory: BESCES-50501REZ " + ems},
             {"BESCES-50501REZ.xps", xport},
             {"BESCES-50501REZ.sps", xport}}) {
        Loaded l{};
        l.outcome = open_save(l.state, (saves / save).string());
        EXPECT_EQ(shown(l), expected) << save;
    }
}

}  // namespace
}  // namespace quillbox::saves
