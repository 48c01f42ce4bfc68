// Saves written by other tools: the EMS and both Xport containers of one save
// must list the same sections and give byte-identical extractions.

// own
#include "saves/extract.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

namespace fs = std::filesystem;

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
