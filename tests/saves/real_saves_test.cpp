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

// Name -> (length, bytes) of every named section in use.
std::map<std::string, std::pair<std::string, testing::Bytes>> sections_of(const fs::path& save,
                                                                           const testing::TempDir& out)
{
    SaveState s;
    const OpenOutcome opened = open_save(s, save.string());
    EXPECT_EQ(opened.kind, OpenOutcome::Kind::loaded) << save;
    EXPECT_FALSE(opened.message) << save;
    std::map<std::string, std::pair<std::string, testing::Bytes>> found;
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        if (!s.slots[i].enabled || s.slots[i].caption.empty()) {
            continue;
        }
        s.select(i);
        const std::string target = out.file(save.filename().string() + std::to_string(i));
        EXPECT_EQ(extract_data(s, target).kind, ExtractOutcome::Kind::written);
        found[s.slots[i].caption] = {s.slots[i].length, testing::read_file(target)};
    }
    return found;
}

TEST(RealSaves, AllThreeContainersHoldTheSameSections)
{
    const fs::path psu = kSaves / "BESCES-50501REZ.psu";
    if (!fs::exists(psu)) {
        GTEST_SKIP() << "no real saves at " << kSaves;
    }
    testing::TempDir out;
    const auto ems = sections_of(psu, out);
    ASSERT_TRUE(ems.contains("icon.sys"));
    EXPECT_EQ(ems.size(), 3U);
    const testing::Bytes& icon = ems.at("icon.sys").second;
    ASSERT_GE(icon.size(), 4U);
    EXPECT_EQ(std::string(icon.begin(), icon.begin() + 4), "PS2D");
    for (const auto& [name, section] : ems) {
        EXPECT_EQ(section.first, std::to_string(section.second.size())) << name;
    }

    for (const char* xport : {"BESCES-50501REZ.xps", "BESCES-50501REZ.sps"}) {
        EXPECT_EQ(sections_of(kSaves / xport, out), ems) << xport;
    }

    SaveState s;
    open_save(s, psu.string());
    EXPECT_EQ(s.frame_caption, "Directory: BESCES-50501REZ");
    open_save(s, (kSaves / "BESCES-50501REZ.xps").string());
    EXPECT_EQ(s.frame_caption, "BESCES-50501REZ");
}

}  // namespace
}  // namespace quillbox::saves
