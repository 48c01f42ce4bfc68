// own
#include "saves/extract.h"
#include "support/load_helpers.h"

// std
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <map>

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using testing::Bytes;
using testing::load;
using testing::section;
using Kind = ExtractOutcome::Kind;
namespace fs = std::filesystem;

class ExtractTest : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return (out_ / name).string(); }
    Bytes written(const std::string& name) const { return testing::read_file(out_ / name); }

    testing::TempDir dir_;
    const std::filesystem::path out_ = dir_.path() / "out";
    const std::vector<testing::Section> sections_ = {section("a", 10, 0x40), section("b", 3000, 0x80)};
    const SaveState ems_ = load(dir_, "s.psu", testing::ems_save("D", sections_)).state;

    void SetUp() override { std::filesystem::create_directory(out_); }
};

TEST_F(ExtractTest, GuardWantsALoadedSaveThatWasNotRefused)
{
    EXPECT_EQ(check_loaded(SaveState{}), messages::kLoadFirst);
    EXPECT_FALSE(check_loaded(ems_));
    const auto refused = load(dir_, "v1.xps", testing::xport_save("D", {}, testing::with_variant(1)), ems_);
    EXPECT_EQ(check_loaded(refused.state), messages::kLoadFirst);
    // A later good load lifts the refusal, though the verdict text stays.
    EXPECT_FALSE(check_loaded(load(dir_, "e.psu", {}, refused.state).state));
}

// Each case extracts to t.bin over an old, longer file: a success replaces
// it, anything else leaves it as it was; no file is ever left beside it.
TEST_F(ExtractTest, WritesTheSelectedSectionOrNothing)
{
    const auto with = [&](const std::string& start, const std::string& length, const std::string& load = "") {
        SaveState s = ems_;
        s.slots[0].start = start;
        s.slots[0].length = length;
        s.txtload = load.empty() ? s.txtload : load;
        return s;
    };
    SaveState xport = load(dir_, "s.xps", testing::xport_save("D", sections_)).state;
    xport.select(1);
    SaveState none = xport;
    none.slots[1].selected = false;
    // Large sections are read into memory mapped apart from the heap; a length
    // that is no whole number of pages must still come out byte for byte.
    const testing::Section big = section("big", (5U << 20) + 3, 7);
    const SaveState large = load(dir_, "big.psu", testing::ems_save("D", {big})).state;
    const Bytes old(5000, 0x11);
    std::filesystem::create_directory(out_ / "sub");
    const std::vector<std::tuple<SaveState, const char*, Kind, const char*, Bytes>> cases = {
        {ems_, "t.bin", Kind::written, messages::kExtracted, sections_[0].data},
        {xport, "t.bin", Kind::written, messages::kExtracted, sections_[1].data},
        {none, "t.bin", Kind::written, messages::kExtracted, {}},  // no selection reads nothing
        {large, "t.bin", Kind::written, messages::kExtracted, big.data},
        // An empty save lists a slot past its end, but an empty section reads nothing.
        {load(dir_, "empty.psu", {}).state, "t.bin", Kind::written, messages::kExtracted, {}},
        {ems_, "", Kind::cancelled, "", old},
        {with("2046", "4294967295"), "t.bin", Kind::refused, "too large", old},
        {with("2147483648", "1"), "t.bin", Kind::refused, "out of range", old},
        {with("2147483647", "1"), "t.bin", Kind::refused, "out of range", old},  // + 2 overflows
        {with("2046", "1000000"), "t.bin", Kind::refused, "runs past the end", old},
        {with("2046", "10", dir_.file("gone.psu")), "t.bin", Kind::failed, "could not be read: the file does not exist", old},
        {ems_, "no/such/t.bin", Kind::failed, "could not be written: its folder does not exist", old},
        {ems_, "sub", Kind::failed, "it is a folder", old},
        {with("3582", "3000"), "t.bin", Kind::failed, "could not be written: File too large", old},
    };
    for (const auto& [state, target, kind, message, content] : cases) {
        testing::write_file(out_ / "t.bin", old);
        const std::string path = *target ? file(target) : "";
        ExtractOutcome r;
        if (message == std::string("could not be written: File too large")) {
#ifndef _WIN32
            // A disk that fills up under the temporary file, which still closes.
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            const rlimit full{1000, limit.rlim_max};
            const auto signal_was = std::signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &full);
            r = extract_data(state, path);
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, signal_was);
#else
            continue;
#endif
        } else {
            r = extract_data(state, path);
        }
        EXPECT_EQ(r.kind, kind) << message;
        EXPECT_NE(r.message.value_or("").find(message), std::string::npos) << r.message.value_or("none");
        EXPECT_EQ(r.message.has_value(), kind != Kind::cancelled) << message;
        EXPECT_TRUE(written("t.bin") == content) << message;  // not printed: up to 5 MiB
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out_), {}), 2) << message;
    }
}

TEST_F(ExtractTest, ExistsCountsFilesOnly)
{
    testing::write_file(out_ / "f", Bytes(1));
    EXPECT_EQ((std::vector{Exists(file("f")), Exists(out_.string()), Exists(file("missing")), Exists("")}),
              (std::vector{1, 0, 0, 0}));
}

// Saves written by other tools: the EMS and both Xport containers of one save
// must list the same sections and give byte-identical extractions.
const fs::path kSaves = QUILLBOX_REAL_SAVES;

// The frame caption, then name -> (length, bytes) of every named section.
using Listing = std::pair<std::string, std::map<std::string, std::pair<std::string, testing::Bytes>>>;

Listing listing_of(const fs::path& save, const testing::TempDir& out)
{
    SaveState s;
    const OpenOutcome opened = open_save(s, save.string());
    EXPECT_EQ(opened.kind, OpenOutcome::Kind::loaded) << save;
    EXPECT_FALSE(opened.message) << save;
    Listing found{s.frame_caption, {}};
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        if (s.slots[i].enabled && !s.slots[i].caption.empty()) {
            s.select(i);
            const std::string target = out.file(save.filename().string() + std::to_string(i));
            EXPECT_EQ(extract_data(s, target).kind, ExtractOutcome::Kind::written);
            found.second[s.slots[i].caption] = {s.slots[i].length, testing::read_file(target)};
        }
    }
    return found;
}

TEST(RealSaves, AllThreeContainersHoldTheSameSections)
{
    if (!fs::exists(kSaves / "BESCES-50501REZ.psu")) {
        GTEST_SKIP() << "no real saves at " << kSaves;
    }
    testing::TempDir out;
    auto [directory, ems] = listing_of(kSaves / "BESCES-50501REZ.psu", out);
    EXPECT_EQ(directory, "Directory: BESCES-50501REZ");
    ASSERT_EQ(ems.size(), 3U);
    const testing::Bytes& icon = ems["icon.sys"].second;
    EXPECT_EQ(std::string(icon.begin(), icon.end()).substr(0, 4), "PS2D");
    for (const auto& [name, section] : ems) {
        EXPECT_EQ(section.first, std::to_string(section.second.size())) << name;
    }
    for (const char* xport : {"BESCES-50501REZ.xps", "BESCES-50501REZ.sps"}) {
        EXPECT_EQ(listing_of(kSaves / xport, out), Listing("BESCES-50501REZ", ems)) << xport;
    }
}

}  // namespace
}  // namespace quillbox::saves
