// own
#include "saves/extract.h"
#include "saves/messages.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <map>

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using namespace quillbox::testing;
using Kind = ExtractOutcome::Kind;
namespace fs = std::filesystem;

// The window after File, Open of `content` saved as `name` in `dir`, on `state`.
SaveState load(const TempDir& dir, const std::string& name, const Bytes& content, SaveState state = {})
{
    write_file(dir.file(name), content);
    open_save(state, dir.file(name));
    return state;
}

TEST(Extract, GuardWantsALoadedSaveThatWasNotRefused)
{
    TempDir dir;
    const SaveState ems = load(dir, "s.psu", ems_save("D", {}));
    EXPECT_EQ(check_loaded(SaveState{}), messages::kLoadFirst);
    EXPECT_FALSE(check_loaded(ems));
    const SaveState refused = load(dir, "v1.xps", xport_save("D", {}, with_variant(1)), ems);
    EXPECT_EQ(check_loaded(refused), messages::kLoadFirst);
    // A later good load lifts the refusal, though the verdict text stays.
    EXPECT_FALSE(check_loaded(load(dir, "e.psu", {}, refused)));
    EXPECT_EQ((std::vector{Exists(dir.file("s.psu")), Exists(dir.path().string()), Exists(dir.file("no")), Exists("")}),
              (std::vector{1, 0, 0, 0}));
}

// Slot 0 of `s` holding `start` and `length`, in the save `path` if one is given.
SaveState with(SaveState s, const std::string& start, const std::string& length, const std::string& path = "")
{
    s.slots[0].start = start;
    s.slots[0].length = length;
    s.txtload = path.empty() ? s.txtload : path;
    return s;
}

// Each case extracts to t.bin over an old, longer file: a success replaces
// it, anything else leaves it as it was; no file is ever left beside it.
TEST(Extract, WritesTheSelectedSectionOrNothing)
{
    TempDir dir;
    const fs::path out = dir.path() / "out";
    fs::create_directories(out / "sub");
    const std::vector<Section> sections = {section("a", 10, 0x40), section("b", 3000, 0x80)};
    const SaveState ems = load(dir, "s.psu", ems_save("D", sections));
    SaveState xport = load(dir, "s.xps", xport_save("D", sections));
    xport.select(1);
    SaveState none = xport;
    none.slots[1].selected = false;
    // Large sections are read into memory mapped apart from the heap; a length
    // that is no whole number of pages must still come out byte for byte.
    const Section big = section("big", (5U << 20) + 3, 7);
    const Bytes old(5000, 0x11);
    const std::vector<std::tuple<SaveState, const char*, Kind, const char*, Bytes>> cases = {
        {ems, "t.bin", Kind::written, messages::kExtracted, sections[0].data},
        {xport, "t.bin", Kind::written, messages::kExtracted, sections[1].data},
        {none, "t.bin", Kind::written, messages::kExtracted, {}},  // no selection reads nothing
        {load(dir, "big.psu", ems_save("D", {big})), "t.bin", Kind::written, messages::kExtracted, big.data},
        // An empty save lists a slot past its end, but an empty section reads nothing.
        {load(dir, "empty.psu", {}), "t.bin", Kind::written, messages::kExtracted, {}},
        {ems, "", Kind::cancelled, "", old},
        {with(ems, "2046", "4294967295"), "t.bin", Kind::refused, "too large", old},
        {with(ems, "2147483648", "1"), "t.bin", Kind::refused, "out of range", old},
        {with(ems, "2147483647", "1"), "t.bin", Kind::refused, "out of range", old},  // + 2 overflows
        {with(ems, "2046", "1000000"), "t.bin", Kind::refused, "runs past the end", old},
        {with(ems, "2046", "10", dir.file("gone.psu")), "t.bin", Kind::failed, "read: the file does not exist", old},
        {ems, "no/such/t.bin", Kind::failed, "could not be written: its folder does not exist", old},
        {ems, "sub", Kind::failed, "it is a folder", old},
#ifndef _WIN32
        {with(ems, "3582", "3000"), "t.bin", Kind::failed, "could not be written: File too large", old},
#endif
    };
    for (const auto& [state, target, kind, message, content] : cases) {
        write_file(out / "t.bin", old);
        const std::string path = *target ? (out / target).string() : "";
        ExtractOutcome r;
#ifndef _WIN32
        // A disk that fills up under the temporary file, which still closes.
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit full{std::string_view(message).ends_with("large") ? 1000 : limit.rlim_cur, limit.rlim_max};
        const auto signal_was = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &full);
        r = extract_data(state, path);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, signal_was);
#else
        r = extract_data(state, path);
#endif
        EXPECT_EQ(r.kind, kind) << message;
        EXPECT_NE(r.message.value_or("").find(message), std::string::npos) << r.message.value_or("none");
        EXPECT_EQ(r.message.has_value(), kind != Kind::cancelled) << message;
        EXPECT_TRUE(read_file(out / "t.bin") == content) << message;  // not printed: up to 5 MiB
        EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 2) << message;
    }
}

// Saves written by other tools: the EMS and both Xport containers of one save
// must list the same sections and give byte-identical extractions.
const fs::path kSaves = QUILLBOX_REAL_SAVES;

// The frame caption, then name -> (length, bytes) of every named section.
using Listing = std::pair<std::string, std::map<std::string, std::pair<std::string, Bytes>>>;

Listing listing_of(const std::string& save, const TempDir& out)
{
    SaveState s;
    EXPECT_EQ(open_save(s, (kSaves / save).string()).kind, OpenOutcome::Kind::loaded) << save;
    Listing found{s.frame_caption, {}};
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        if (s.slots[i].enabled && !s.slots[i].caption.empty()) {
            s.select(i);
            const std::string target = out.file(save + std::to_string(i));
            EXPECT_EQ(extract_data(s, target).kind, Kind::written);
            found.second[s.slots[i].caption] = {s.slots[i].length, read_file(target)};
        }
    }
    return found;
}

TEST(RealSaves, AllThreeContainersHoldTheSameSections)
{
    if (!fs::exists(kSaves / "BESCES-50501REZ.psu")) {
        GTEST_SKIP() << "no real saves at " << kSaves;
    }
    TempDir out;
    auto [directory, ems] = listing_of("BESCES-50501REZ.psu", out);
    EXPECT_EQ(directory, "Directory: BESCES-50501REZ");
    ASSERT_EQ(ems.size(), 3U);
    EXPECT_EQ(std::string(ems["icon.sys"].second.begin(), ems["icon.sys"].second.end()).substr(0, 4), "PS2D");
    for (const auto& [name, section] : ems) {
        EXPECT_EQ(section.first, std::to_string(section.second.size())) << name;
    }
    for (const char* xport : {"BESCES-50501REZ.xps", "BESCES-50501REZ.sps"}) {
        EXPECT_EQ(listing_of(xport, out), Listing("BESCES-50501REZ", ems)) << xport;
    }
}

}  // namespace
}  // namespace quillbox::saves
