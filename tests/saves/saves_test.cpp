// The window's reader and its extraction: File, Open on saves built byte by byte, the small
// pieces it reads with, and extraction onto a real file system (what the target is, where the
// temporary file goes, when the bytes reach the device, a disk that fills up).

// own
#include "cli/cli.h"
#include "saves/codepage.h"
#include "saves/extract.h"
#include "saves/file_io.h"
#include "saves/messages.h"
#include "saves/open_save.h"
#include "saves/safe_name.h"
#include "saves/save_reader.h"
#include "saves/section_buffer.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#ifndef _WIN32
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using namespace quillbox::testing;
namespace fs = std::filesystem;

const TempDir kDir;

// The window after a File, Open, every field of it: the frame caption; the slots as
// "caption@start+length", marked "*" when selected and "-" when disabled, up to the last one
// that is not blank and disabled; the family, the Xport verdict, the two scratch fields, the
// outcome and whether Extract may go ahead; and the message.
std::string shown(const SaveState& s, const OpenOutcome& outcome)
{
    std::string slots;
    std::size_t kept = 0;
    for (const Slot& slot : s.slots) {
        const std::string one = slot.caption + "@" + slot.start + "+" + slot.length +
                                (slot.selected ? "*" : "") + (slot.enabled ? "" : "-");
        slots += one + " ";
        kept = one == "@+-" ? kept : slots.size() - 1;
    }
    return s.frame_caption + "\n" + slots.substr(0, kept) + "\n" + s.txttype + "," + s.txtvalidxps +
           "," + s.txttempvar + "," + s.txttempvar3 + "," +
           std::array{"cancelled", "loaded", "refused", "failed"}[std::size_t(outcome.kind)] +
           (check_loaded(s) ? ",load first\n" : ",ready\n") + outcome.message.value_or("");
}

// `n` one-byte sections "f", 1536 bytes apart from 2046, the first selected.
std::string entries(int n)
{
    return n ? entries(n - 1) + "f@" + std::to_string(510 + n * 1536) + (n > 1 ? "+1 " : "+1* ")
             : "";
}
std::string blank(int n) { return n > 1 ? "@+ " + blank(n - 1) : "@+"; }  // enabled
const std::string kPrevious = "p@2046+4 q@3582+4 r@5118+4* @6654+0-";

const Bytes kTwo = xport_save("D", {section("a", 100), section("b", 0)}, {0, "abc", "defgh", "ij"});

#define SAVE(...) Bytes(__VA_ARGS__), #__VA_ARGS__

// Each row: whether the save is opened over a listing of three sections with the third
// selected, its name (in kDir unless absolute), its bytes (none: not written) and their
// builder call, and the window afterwards: frame, slots, fields and message.
TEST(FileOpen, ShowsTheWholeWindow)
{
    // clang-format off
    const std::vector<std::tuple<bool, std::string, std::optional<Bytes>, const char*, std::string, std::string, std::string, std::string>> rows = {
        // A zero byte at E+64 moves the name to E+66; names are Windows-1252.
        {false, "names.psu", SAVE(with(ems_save("D\x80", {section("", 10), section("\xA0\xFF", 10), section(std::string(31, 'x'), 10)}), 1602, "moved")), "Directory: D\u20AC", "moved@2046+10* \u00A0\u00FF@3582+10 " + std::string(31, 'x') + "@5118+10 @6654+0-", "ems,,0,6654,loaded,ready", ""},
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
        {false, "entry.psu", SAVE(with(ems_save("D", {section("a", 1)}), 1540, 0xFFFFFFFFU)), "Directory Name", blank(18), ",,,,failed,load first", messages::kMayBeCorrupt},
        // Over another save: its captions go, its hidden texts beyond the new
        // listing stay; a refused one blanks the slots; an unreadable one leaves
        // the window as it was (on Windows a folder cannot even be opened).
        {true, "short.sps", SAVE(Bytes(17, 1)), "", "@537+0*- @3582+4- @5118+4- @6654+0-", "xv2,True,0,537,loaded,ready", ""},
        {true, "v1.xps", SAVE(xport_save("X", {}, with_variant(1))), "Directory: P", "@2046+4 @3582+4 @5118+4* @6654+0 " + blank(14), "xv2,False,0,6654,refused,load first", messages::kXportV1},
        {true, "folder.psu", std::nullopt, "a folder", "Directory: P", kPrevious, "ems,,0,6654,failed,ready", "The save \"" + kDir.file("folder.psu") + "\" could not be read: it is a folder."},
#ifndef _WIN32
        {true, "/dev/null", std::nullopt, "a device", "Directory: P", kPrevious, "ems,,0,6654,failed,ready", "The save \"/dev/null\" could not be read: it is not a plain file."},
#endif
    };
    // clang-format on
    SaveState previous;
    open_save(previous, "prev.psu",
              ems_save("P", {section("p", 4), section("q", 4), section("r", 4)}));
    previous.select(2);
    fs::create_directory(kDir.path() / "folder.psu");
    for (const auto& [on_previous, file, bytes, call, frame, slots, fields, message] : rows) {
        SCOPED_TRACE(file + ": " + call);
        SaveState state = on_previous ? previous : SaveState{};
        const std::string before = state.txtload;
        const std::string path = file[0] == '/' ? file : kDir.file(file);
        if (bytes) {
            write_file(path, *bytes);
        }
        const OpenOutcome outcome = open_save(state, path);
        EXPECT_EQ(shown(state, outcome), frame + "\n" + slots + "\n" + fields + "\n" + message);
        EXPECT_EQ(state.txtload, outcome.kind == OpenOutcome::Kind::failed ? before : path);
    }
}

// The small pieces File, Open and extraction ask: hexadecimal fields, Windows-1252 names, the
// family by the extension, whether a target exists, a name made safe.
TEST(SmallPieces, HexWindows1252FamilyExistsAndSafeNames)
{
    // clang-format off
    const std::vector<std::pair<const char*, std::optional<std::uint64_t>>> hexes = {
        {"FFFFFFFF", 4294967295U}, {"1", 1}, {"123456789abcdef", 0x123456789ABCDEFU}, {"", {}},
        {"12G4", {}}, {"-1", {}}, {"1FFFFFFFFFFFFFFFF", {}}};
    // clang-format on
    for (const auto& [hex, value] : hexes) {
        EXPECT_EQ(hex_to_number(hex), value) << hex;
    }
    // The bytes 0x80 to 0x9F, which Windows-1252 does not take from Latin-1.
    const std::string high = "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
                             "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F";
    EXPECT_EQ(cp1252_to_utf8(high), "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");
    // The family: an exact lower or upper case extension after the last dot; an unrecognised
    // one leaves it as it was. Exists: only for a file.
    std::string families;
    for (const char* path :
         {"C:\\saves\\game.psu", "G.PSU", "g.psd", "G.PSD", "/home/a.b.XPS", "x.xps",
          "my.saves/x.sps", "X.SPS", "game.Psu", "game.", "/my.psu/game"}) {
        SaveState s;
        Get_Type(s, path);
        families += s.txttype + "|";
    }
    EXPECT_EQ(families, "ems|ems|ems|ems|xv2|xv2|xv2|xv2||||");
    write_file(kDir.file("e.bin"), {});
    EXPECT_EQ((std::vector{Exists(kDir.file("e.bin")), Exists(kDir.path().string()),
                           Exists(kDir.file("no")), Exists("")}),
              (std::vector{1, 0, 0, 0}));
    // Names made safe for a file in the chosen folder on any system.
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

// The folder's entries: links as name->target, folders name/, pipes name|, files as
// name:mode@owner=content, with the mode on Linux, the owner where it is not the test's, and
// the content named by `contents` where it is one of those, else its size.
using Contents = std::vector<std::pair<std::string, Bytes>>;
std::set<std::string> listing(const fs::path& dir, const Contents& contents = {})
{
    std::set<std::string> entries;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir)) {
        std::ostringstream entry;
        entry << e.path().lexically_relative(dir).generic_string();
        if (e.is_symlink()) {
            entry << "->" << fs::read_symlink(e.path()).generic_string();
        } else if (!e.is_regular_file()) {
            entry << (e.is_directory() ? "/" : "|");
        } else {
#ifndef _WIN32
            struct stat st {};
            stat(e.path().c_str(), &st);
            entry << ":" << std::oct << (st.st_mode & 07777) << std::dec;
            if (st.st_uid != geteuid()) {
                entry << "@" << st.st_uid << "." << st.st_gid;
            }
#endif
            const Bytes bytes = read_file(e.path());
            const auto known = std::ranges::find(contents, bytes, &Contents::value_type::second);
            entry << "=" << (known != contents.end() ? known->first : std::to_string(bytes.size()));
        }
        entries.insert(entry.str());
    }
    return entries;
}

// Sections small and large (read into memory mapped apart from the heap, their room reserved
// early; no whole number of pages) extracted onto targets of every kind, one after the other.
// Refusals create nothing, not even for a moment; links are written through, into the folder
// of the file they name; a replaced file keeps its mode and owner.
TEST(Extract, WritesTheSelectedSectionOrNothing)
{
    TempDir dir;
    const fs::path out = dir.path() / "out";
    const Section b = section("b", 3000, 0x80), big = section("big", (4U << 20) + 1, 3);
    write_file(dir.file("s.xps"), xport_save("D", {section("a", 10), b}));
    write_file(dir.file("16.psu"), ems_save("D", std::vector(16, section("f", 1))));
    write_file(dir.file("big.psu"), ems_save("D", {big}));
    // The section's length one byte more than the save holds after its start.
    write_file(dir.file("cut.psu"), with(ems_save("D", {big}), 1540, 4195329U));
    fs::create_directories(out / "real");
    fs::create_directory(out / "sub");
    write_file(out / "plain", Bytes(9000, 1));
    write_file(out / "real/file", Bytes(9000, 2));
    const std::string long_name(255, 'n');
#ifndef _WIN32
    umask(022);
    fs::permissions(out / "plain", fs::perms(0640));
    fs::permissions(out / "real/file", fs::perms(0600));
    const bool root = getuid() == 0;
    ASSERT_TRUE(!root || chown((out / "plain").c_str(), 1234, 5678) == 0);
    fs::create_symlink("real/file", out / "link");
    fs::create_symlink("real/new", out / "dangling");
    fs::create_symlink("/dev/null", out / "device");
    fs::create_symlink("loop", out / "loop");
    ASSERT_EQ(mkfifo((out / "fifo").c_str(), 0644), 0);
    // Every page of the buffer can be a huge one, and all of it goes back when it goes.
    auto buffer = std::make_unique<SectionBuffer>(4U << 20);
    const auto start = reinterpret_cast<std::uintptr_t>(buffer->data());
    EXPECT_EQ(start % (2U << 20), 0U);
    buffer.reset();
    std::ifstream maps("/proc/self/maps");
    for (std::uintptr_t from = 0, to = 0; maps >> std::hex >> from && maps.ignore(1) >> to;
         maps.ignore(4096, '\n')) {
        EXPECT_TRUE(to <= start - (2U << 20) || from >= start + (6U << 20))
            << std::hex << from << '-' << to << " is still mapped, near the buffer at " << start;
    }
    {  // given up after its room was set aside: no temporary file is left
        Replacement abandoned(out / "abandoned");
        abandoned.reserve(1);
    }
    // Which of the two folders had a file created (or renamed) in it since the last look; not on
    // Windows, which does not set a folder's times.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const auto created = [&] {
        std::string in;
        for (const auto& [folder, path] : {std::pair{"real", out / "real"}, {"out", out}}) {
            in += fs::last_write_time(path) != old ? folder : "";
            fs::last_write_time(path, old);
        }
        return in;
    };
    created();
#endif
    // The save, the slot (-1: none selected), the target, the outcome and its message (for a
    // failure to write only its reason), and the folder a file was created in.
    const std::string written = std::string("written: ") + messages::kExtracted;
    // clang-format off
    const std::vector<std::tuple<const char*, int, std::string, std::string, const char*>> rows = {
        {"s.xps", 1, "x", written, "out"},
        {"s.xps", -1, "none", written, "out"},
        {"16.psu", 16, "zero", written, "out"},  // length 0 past the save's end, in an enabled slot
        {"big.psu", 0, "plain", written, "out"},
        {"big.psu", 0, long_name, written, "out"},
        {"cut.psu", 0, "plain", "refused: The section runs past the end of the save: it needs bytes 2048 to 4197377, but the save holds 4197376 bytes. Nothing was extracted.", ""},
        {"big.psu", 0, "sub", "it is a folder", ""},
        {"big.psu", 0, "no/t", "its folder does not exist", ""},
#ifndef _WIN32
        {"big.psu", 0, "link", written, "real"},
        {"big.psu", 0, "dangling", written, "real"},
        {"big.psu", 0, "fifo", "it is a pipe, not a file", ""},
        {"big.psu", 0, "device", "it is a device, not a file", ""},
        {"big.psu", 0, "loop", "Too many levels of symbolic links", ""},
#endif
    };
    // clang-format on
    for (const auto& [save, slot, name, said, folder] : rows) {
        SCOPED_TRACE(std::string(save) + " slot " + std::to_string(slot) + " onto " + name);
        SaveState state;
        open_save(state, dir.file(save));
        state.select(std::size_t(slot));
        const std::string target = (out / name).string();
        const ExtractOutcome r = extract_data(state, target);
        const char* const kinds[] = {"cancelled", "written", "refused", "failed"};
        EXPECT_EQ(kinds[std::size_t(r.kind)] + (": " + r.message.value_or("")),
                  said.find(": ") != std::string::npos
                      ? said
                      : "failed: The file \"" + target + "\" could not be written: " + said + ".");
#ifndef _WIN32
        EXPECT_EQ(created(), folder);
#endif
    }
    // clang-format off
#ifdef _WIN32
    const std::set<std::string> expected = {long_name + "=big", "none=none", "plain=big", "real/",
                                            "real/file=9000", "sub/", "x=b", "zero=none"};
#else
    const std::set<std::string> expected = {
        "dangling->real/new", "device->/dev/null", "fifo|", "link->real/file", "loop->loop",
        long_name + ":644=big", "none:644=none", root ? "plain:640@1234.5678=big" : "plain:640=big",
        "real/", "real/file:600=big", "real/new:644=big", "sub/", "x:644=b", "zero:644=none"};
#endif
    // clang-format on
    EXPECT_EQ(listing(out, {{"big", big.data}, {"b", b.data}, {"none", {}}}), expected);
}

// Each flush, as the folder stood at the time: the target "old" before the rename, "new"
// after, and the other names' first ten bytes and length. The temporary file is flushed
// before the rename, and on Linux the folder after it; a flush that fails leaves the old
// target and nothing else.
std::string g_flushes;
fs::path g_target;
int counting_flush(int fd)
{
    g_flushes += read_file(g_target).size() == 3 ? "new" : "old";
    for (const fs::directory_entry& e : fs::directory_iterator(g_target.parent_path())) {
        const std::string name = e.path().filename().string();
        g_flushes +=
            e.path() == g_target ? "" : " " + name.substr(0, 10) + std::to_string(name.size());
    }
    g_flushes += "; ";
    return flush_to_device(fd);
}

TEST(Replace, TheFileReachesTheDeviceBeforeTheRenameAndTheFolderAfter)
{
    TempDir dir;
    g_target = dir.path() / "t.bin";
    write_file(g_target, Bytes(5, 1));
    const FlushFunction before = set_flush(counting_flush);
    EXPECT_EQ(write_file_atomically(g_target, "new", 3), std::nullopt);
    set_flush([](int) { return ENOSPC; });
    EXPECT_EQ(write_file_atomically(g_target, "newer", 5),
              "The file \"" + g_target.string() + "\" could not be written: the disk is full.");
    set_flush(before);
    const bool windows = fs::path::preferred_separator == '\\';
    EXPECT_EQ(g_flushes, windows ? "old .quillbox-18; " : "old .quillbox-18; new; ");
    EXPECT_EQ(read_file(g_target), Bytes({'n', 'e', 'w'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

#ifdef __linux__
// On a full disk extract-all --force keeps every file that fitted, leaves the old file it
// could not replace whole and no temporary file behind, and reports it.
TEST(Replace, AFullDiskLosesNothing)
{
    TempDir dir;
    const fs::path disk = dir.path() / "disk", all = disk / "all";
    fs::create_directory(disk);
    if (geteuid() != 0 || mount("quillbox-test", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "mounting a small disk needs root";
    }
    const std::shared_ptr<void> unmount(nullptr, [&](void*) { umount2(disk.c_str(), MNT_DETACH); });
    write_file(dir.file("all.psu"), ems_save("D", {section("a", 20000), section("b", 20000),
                                                   section("c", 5U << 20), section("d", 4000)}));
    fs::create_directory(all);
    write_file(all / "c", Bytes(8000, 9));
    std::ostringstream printed, err;
    EXPECT_EQ(cli::run({"extract-all", dir.file("all.psu"), all.string(), "--force"}, printed, err),
              cli::kPartlyDone);
    // Whole by their sizes; the bytes extracted are the other tests'.
    EXPECT_EQ(listing(disk, {{"old", Bytes(8000, 9)}}),
              (std::set<std::string>{"all/", "all/a:644=20000", "all/b:644=20000", "all/c:644=old",
                                     "all/d:644=4000"}));
    EXPECT_EQ(printed.str(),
              (all / "a\n").string() + (all / "b\n").string() + (all / "d\n").string());
    EXPECT_EQ(err.str(), "Slot 2 (c): The file \"" + (all / "c").string() +
                             "\" could not be written: the disk is full.\n");
}
#endif

}  // namespace
}  // namespace quillbox::saves
