// own
#include "saves/codepage.h"
#include "saves/extract.h"
#include "saves/messages.h"
#include "saves/open_save.h"
#include "saves/safe_name.h"
#include "saves/save_reader.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <sstream>

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using namespace quillbox::testing;
namespace fs = std::filesystem;

const TempDir kDir;

// `text` with the test folder shown as "DIR", and "/" for separators.
std::string in_dir(std::string text)
{
    const std::string dir = kDir.path().string();
    for (std::size_t at; (at = text.find(dir)) != std::string::npos;) {
        text.replace(at, dir.size(), "DIR");
    }
    std::ranges::replace(text, '\\', '/');
    return text;
}

// The window after a File, Open, every field of it: the frame caption; each of
// the 18 slots as "caption@start+length", marked "*" when selected and "-"
// when disabled; the family, the Xport verdict, the two scratch fields and the
// outcome, and whether Extract may go ahead; and the message.
std::string shown(const SaveState& s, const OpenOutcome& outcome)
{
    std::string out = s.frame_caption + "\n";
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        const Slot& slot = s.slots[i];
        out += std::to_string(i) + " " + slot.caption + "@" + slot.start + "+" + slot.length +
               (slot.selected ? "*" : "") + (slot.enabled ? "\n" : "-\n");
    }
    return out + s.txttype + "," + s.txtvalidxps + "," + s.txttempvar + "," + s.txttempvar3 + "," +
           std::array{"cancelled", "loaded", "refused", "failed"}[std::size_t(outcome.kind)] +
           (check_loaded(s) ? ",load first\n" : ",ready\n") + in_dir(outcome.message.value_or(""));
}

// The same text from the slots listed in `slots` (separated by spaces) from
// slot 0 on; every slot after them is blank and disabled.
std::string listing(const std::string& frame, const std::string& slots, const std::string& fields,
                    const std::string& message)
{
    std::istringstream in(slots);
    std::string out = frame + "\n";
    std::string slot;
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        out += std::to_string(i) + " " + (in >> slot ? slot : "@+-") + "\n";
    }
    return out + fields + "\n" + message;
}

// `n` one-byte sections "f", 1536 bytes apart from 2046, the first selected.
std::string entries(int n)
{
    return n ? entries(n - 1) + "f@" + std::to_string(510 + n * 1536) + (n > 1 ? "+1 " : "+1* ")
             : "";
}
std::string blank(int n) { return n ? "@+ " + blank(n - 1) : ""; }  // enabled
const std::string kFresh = blank(18);
const std::string kPrevious = "p@2046+4 q@3582+4 r@5118+4* @6654+0-";

Bytes with(Bytes b, std::size_t at, std::uint32_t v) { return put_u32(b, at, v), b; }
Bytes with(Bytes b, std::size_t at, const std::string& text) { return put_text(b, at, text), b; }
const std::string kX31(31, 'x');
const Bytes kTwo = xport_save("D", {section("a", 100), section("b", 0)}, {0, "abc", "defgh", "ij"});

struct OpenRow {
    bool on_previous;            // opened over a listing of three sections with the third selected
    std::string file;            // in kDir unless absolute
    std::optional<Bytes> bytes;  // nothing: not written
    const char* call;
    std::string frame, slots, fields, message;
};
void PrintTo(const OpenRow& row, std::ostream* os) { *os << row.file; }

#define SAVE(...) Bytes(__VA_ARGS__), #__VA_ARGS__

// clang-format off
const std::vector<OpenRow> kOpenRows = {
    // A zero byte at E+64 moves the name to E+66.
    {false, "names.psu", SAVE(with(ems_save("D", {section("", 10), section("", 10), section(kX31, 10)}), 1602, "moved")), "Directory: D", "moved@2046+10* @3582+10 " + kX31 + "@5118+10 @6654+0-", "ems,,0,6654,loaded,ready", ""},
    {false, "long.psu", SAVE(ems_save("D", {section("a", 10), section(std::string(32, 'y'), 10)})), "Directory: D", "a@2046+10* @3582+10-", "ems,,1024,3582,loaded,ready", messages::kNameTooLong},
    {false, "empty.psu", SAVE(), "Directory: ", "@+*-", "ems,,,,loaded,ready", ""},
    // A name two bytes before the end: that byte is read, so the walk goes on,
    // but the name is not.
    {false, "edge.psu", SAVE(with(with(Bytes(), 1540, 7U), 1600, std::string("n\0", 2))), "Directory: ", "@2046+7* @3582+0-", "ems,,0,3582,loaded,ready", ""},
    {false, "edge3.psu", SAVE(with(with(Bytes(), 1540, 7U), 1600, std::string("n\0\0", 3))), "Directory: ", "n@2046+7* @3582+0-", "ems,,0,3582,loaded,ready", ""},
    // Entries 1536 bytes apart: after 16 passes nothing is disabled, and a name
    // too long in slot 17 disables nothing.
    {false, "16.psu", SAVE(ems_save("D", std::vector(16, section("f", 1)))), "Directory: D", entries(16) + "@26622+0 @+", "ems,,0,26622,loaded,ready", ""},
    {false, "last.psu", SAVE(with(ems_save("D", std::vector(18, section("f", 1))), 27712, std::string(40, 'z'))), "Directory: D", entries(17) + "@28158+1", "ems,,1024,28158,loaded,ready", messages::kNameTooLong},
    // Trailing bytes name the pass beyond; reading them clears the mark.
    {false, "trail.xps", SAVE(with(kTwo, kTwo.size(), std::string("junk\0", 5))), "D", "a@547+100* b@897+0 junk@1147+0 @1397+0-", "xv2,True,0,1397,loaded,ready", ""},
    // Positions past 2^31 - 1: a corrupt save, and the window as it was.
    {false, "entry.psu", SAVE(with(ems_save("D", {section("a", 1)}), 1540, 0xFFFFFFFFU)), "Directory Name", kFresh, ",,,,failed,load first", messages::kMayBeCorrupt},
    // Over another save: its captions go, its hidden texts beyond the new
    // listing stay; a refused one blanks the slots; an unreadable one leaves
    // the window as it was (on Windows a folder cannot even be opened).
    {true, "short.sps", SAVE(Bytes(17, 1)), "", "@537+0*- @3582+4- @5118+4- @6654+0-", "xv2,True,0,537,loaded,ready", ""},
    {true, "v1.xps", SAVE(xport_save("X", {}, with_variant(1))), "Directory: P", "@2046+4 @3582+4 @5118+4* @6654+0 " + blank(14), "xv2,False,0,6654,refused,load first", messages::kXportV1},
    {true, "folder.psu", std::nullopt, "a folder", "Directory: P", kPrevious, "ems,,0,6654,failed,ready", "The save \"DIR/folder.psu\" could not be read: it is a folder."},
#ifndef _WIN32
    {true, "/dev/null", std::nullopt, "a device", "Directory: P", kPrevious, "ems,,0,6654,failed,ready", "The save \"/dev/null\" could not be read: it is not a plain file."},
#endif
};
// clang-format on

class FileOpen : public ::testing::TestWithParam<OpenRow> {};

TEST_P(FileOpen, ShowsTheWholeWindow)
{
    const OpenRow& row = GetParam();
    SCOPED_TRACE(row.call);
    SaveState state;
    if (row.on_previous) {
        write_file(kDir.file("prev.psu"),
                   ems_save("P", {section("p", 4), section("q", 4), section("r", 4)}));
        open_save(state, kDir.file("prev.psu"));
        state.select(2);
        fs::create_directory(kDir.path() / "folder.psu");
    }
    const SaveState before = state;
    const std::string path = row.file[0] == '/' ? row.file : kDir.file(row.file);
    if (row.bytes) {
        write_file(path, *row.bytes);
    }
    const OpenOutcome outcome = open_save(state, path);
    EXPECT_EQ(shown(state, outcome), listing(row.frame, row.slots, row.fields, row.message));
    EXPECT_EQ(state.txtload, outcome.kind == OpenOutcome::Kind::failed ? before.txtload : path);
}

std::string row_name(const ::testing::TestParamInfo<OpenRow>& info)
{
    std::string name = info.param.file;
    std::ranges::replace_if(
        name, [](char c) { return !std::isalnum(c); }, '_');
    return (info.param.on_previous ? "over_" : "") + name;
}
INSTANTIATE_TEST_SUITE_P(Saves, FileOpen, ::testing::ValuesIn(kOpenRows), row_name);

TEST(ReadingOperations, HexGroupsOfSevenBytesAcrossBlocksWindows1252)
{
    // clang-format off
    const std::vector<std::pair<const char*, std::optional<std::uint64_t>>> hexes = {
        {"FFFFFFFF", 4294967295U}, {"1", 1}, {"123456789abcdef", 0x123456789ABCDEFU}, {"", {}},
        {"12G4", {}}, {"-1", {}}, {"1FFFFFFFFFFFFFFFF", {}}};
    // clang-format on
    for (const auto& [hex, value] : hexes) {
        EXPECT_EQ(hex_to_number(hex), value) << hex;
    }
    write_file(kDir.file("save.bin"), section("", 10000).data);
    SaveReader save(kDir.file("save.bin"));
    for (const std::int64_t o : {9999, 0, 4095, 4096, 8191, 8192, 5000}) {
        EXPECT_EQ(save.read_byte(o), static_cast<std::uint8_t>(o + 1)) << o;
    }
    EXPECT_EQ(save.read_byte(10000), 0);  // just past the end: nothing, and the mark set
    EXPECT_TRUE(save.exhausted());
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
    // Unrecognised: the family stays as it was.
    EXPECT_EQ(families, "ems|ems|ems|ems|xv2|xv2|xv2|xv2||||");
}

TEST(SafeFileName, OneNameInsideTheChosenFolderOnAnySystem)
{
    // clang-format off
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"icon.sys", "icon.sys"},       {"a/b\\c", "a_b_c"},         {"../up", ".._up"},
        {"..", "__"},                   {".", "_"},                  {"", "_"},
        {"name. ", "name__"},           {"C:x*?\"<>|", "C_x______"}, {"a\tb\x7f\x01", "a_b__"},
        {"CON", "_CON"},                {"con.txt", "_con.txt"},     {"Aux .x", "_Aux .x"},
        {"nUl", "_nUl"},                {"prn.", "prn_"},            {"lpt1.bin", "_lpt1.bin"},
        {"COM9", "_COM9"},              {"COM10", "COM10"},          {"CONSOLE", "CONSOLE"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"}, {"COM\xC2\xB9", "_COM\xC2\xB9"}, {"lpt\xC2\xB3.x", "_lpt\xC2\xB3.x"},
        {"COM\xC2\xB4", "COM\xC2\xB4"},
    };
    // clang-format on
    for (const auto& [name, safe] : rows) {
        EXPECT_EQ(safe_file_name(name), safe) << "name: \"" << name << "\"";
    }
}

struct ExtractRow {
    const char* name;
    const char* save;   // the save listed, in kDir
    int slot;           // the slot selected, -1 for none
    const char* start;  // the slot's texts, when not those listed
    const char* length;
    const char* target;  // in kDir/out; empty: the dialog was cancelled
    ExtractOutcome::Kind kind;
    const char* message;   // "" for none
    const Bytes* content;  // what t.bin then holds
};
void PrintTo(const ExtractRow& row, std::ostream* os) { *os << row.name; }

// The sections of s.psu and s.xps, and of big.psu: large sections are
// read into memory mapped apart from the heap, and a length that is no whole
// number of pages must still come out byte for byte.
const std::vector<Section> kSections = {section("a", 10, 0x40), section("b", 3000, 0x80)};
const Section kBig = section("big", (5U << 20) + 3, 7);
const std::map<std::string, Bytes> kSaves = {{"s.psu", ems_save("D", kSections)},
                                             {"s.xps", xport_save("D", kSections)},
                                             {"big.psu", ems_save("D", {kBig})}};
const Bytes kOld(5000, 0x11), kNone, *kB = &kSections[1].data;

using enum ExtractOutcome::Kind;
// clang-format off
const std::vector<ExtractRow> kExtractRows = {
    {"xport", "s.xps", 1, nullptr, nullptr, "t.bin", written, messages::kExtracted, kB},
    {"no_selection", "s.xps", -1, nullptr, nullptr, "t.bin", written, messages::kExtracted, &kNone},
    {"large", "big.psu", 0, nullptr, nullptr, "t.bin", written, messages::kExtracted, &kBig.data},
    {"large_onto_folder", "big.psu", 0, nullptr, nullptr, "sub", failed, "The file \"DIR/out/sub\" could not be written: it is a folder.", &kOld},
    {"length_over_int32", "s.psu", 0, "2046", "4294967295", "t.bin", refused, "The section is too large to extract: its length of 4294967295 bytes is more than 2147483647. Nothing was extracted.", &kOld},
    {"past_the_end", "s.psu", 0, "2046", "1000000", "t.bin", refused, "The section runs past the end of the save: it needs bytes 2048 to 1002048, but the save holds 6656 bytes. Nothing was extracted.", &kOld},
    {"no_folder", "s.psu", 0, nullptr, nullptr, "no/t.bin", failed, "The file \"DIR/out/no/t.bin\" could not be written: its folder does not exist.", &kOld},
#ifndef _WIN32  // a disk that fills up under the temporary file, which still closes
    {"disk_full", "s.psu", 1, nullptr, nullptr, "t.bin", failed, "The file \"DIR/out/t.bin\" could not be written: File too large.", &kOld},
#endif
};
// clang-format on

class Extract : public ::testing::TestWithParam<ExtractRow> {};

// Each row extracts over an old, longer t.bin: a success replaces it, anything
// else leaves it as it was; no file is ever left beside it.
TEST_P(Extract, WritesTheSelectedSectionOrNothing)
{
    const ExtractRow& row = GetParam();
    const fs::path out = kDir.path() / "out";
    fs::create_directories(out / "sub");
    write_file(out / "t.bin", kOld);
    write_file(kDir.file(row.save), kSaves.at(row.save));
    SaveState state;
    open_save(state, kDir.file(row.save));
    state.select(std::size_t(row.slot));
    if (row.start) {
        state.slots[0].start = row.start;
        state.slots[0].length = row.length;
    }
#ifndef _WIN32
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{std::string_view(row.name) == "disk_full" ? 1000 : limit.rlim_cur,
                      limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &full);
#endif
    const ExtractOutcome r = extract_data(state, *row.target ? (out / row.target).string() : "");
#ifndef _WIN32
    setrlimit(RLIMIT_FSIZE, &limit);
#endif
    const auto said = [](ExtractOutcome::Kind kind, const std::string& message) {
        return std::array{"cancelled", "written", "refused", "failed"}[std::size_t(kind)] +
               (": " + message);
    };
    EXPECT_EQ(said(r.kind, in_dir(r.message.value_or(""))), said(row.kind, row.message));
    const Bytes got = read_file(out / "t.bin");
    EXPECT_TRUE(got == *row.content)  // not printed: up to 5 MiB
        << "t.bin holds " << got.size() << " bytes, not " << row.content->size()
        << "; the first that differs is byte "
        << std::ranges::mismatch(got, *row.content).in1 - got.begin();
    EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 2);
}

INSTANTIATE_TEST_SUITE_P(Saves, Extract, ::testing::ValuesIn(kExtractRows),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Exists, OnlyForAFile)
{
    write_file(kDir.file("e.bin"), {});
    EXPECT_EQ((std::vector{Exists(kDir.file("e.bin")), Exists(kDir.path().string()),
                           Exists(kDir.file("no")), Exists("")}),
              (std::vector{1, 0, 0, 0}));
}

}  // namespace
}  // namespace quillbox::saves
