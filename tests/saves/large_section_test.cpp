// own
#include "saves/extract.h"
#include "support/load_helpers.h"

// std
#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

// Large sections are read into memory mapped apart from the heap; one whose
// length is no whole number of pages must still come out byte for byte.
TEST(LargeSection, ComesOutByteForByte)
{
    const testing::TempDir dir;
    const std::size_t size = (5U << 20) + 3;
    const testing::Bytes ems = testing::ems_save("D", {testing::section("big", size, 7)});
    const SaveState s = testing::load(dir, "big.psu", ems).state;
    const std::string target = dir.file("big.bin");
    ASSERT_EQ(extract_data(s, target).kind, ExtractOutcome::Kind::written);
    const testing::Bytes expected(ems.begin() + 2048, ems.begin() + 2048 + static_cast<std::ptrdiff_t>(size));
    EXPECT_TRUE(testing::read_file(target) == expected);  // not printed: 5 MiB
}

}  // namespace
}  // namespace quillbox::saves
