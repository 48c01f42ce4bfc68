// own
#include "saves/codepage.h"
#include "saves/save_reader.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

SaveReader reader(const testing::TempDir& dir, const testing::Bytes& content)
{
    testing::write_file(dir.file("save.bin"), content);
    return SaveReader(dir.file("save.bin"));
}

TEST(HexToNumber, SevenDigitGroupsNeverNegativeAndOnlyHex)
{
    EXPECT_EQ(hex_to_number("00000201"), 513U);
    EXPECT_EQ(hex_to_number("FFFFFFFF"), 4294967295U);
    EXPECT_EQ(hex_to_number("FFFFFFF"), 268435455U);
    EXPECT_EQ(hex_to_number("1"), 1U);
    EXPECT_EQ(hex_to_number("123456789abcdef"), 0x123456789ABCDEFU);
    for (const char* bad : {"", "12G4", "-1", "1FFFFFFFFFFFFFFFF"}) {
        EXPECT_FALSE(hex_to_number(bad)) << bad;
    }
}

TEST(SaveReader, FieldsAreLittleEndianAndTheMarkFollowsTheLastByteRead)
{
    testing::TempDir dir;
    testing::Bytes b(21);
    testing::append(b, testing::bytes({0x10, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    SaveReader save = reader(dir, b);
    EXPECT_EQ(save.read_hex_field(25), "00000010");
    EXPECT_EQ(save.read_hex_field(29), "FFFFFFFF");
    EXPECT_FALSE(save.exhausted());
    EXPECT_EQ(save.read_hex_field(100), "00000000");
    EXPECT_TRUE(save.exhausted());
    // Straddling the end: the missing bytes read 0, and the field's first
    // byte in file order is the last one read.
    EXPECT_EQ(save.read_hex_field(31), "0000FFFF");
    EXPECT_FALSE(save.exhausted());
    EXPECT_EQ(save.read_byte(29), 0);
    EXPECT_TRUE(save.exhausted());
    save.reopen();
    EXPECT_FALSE(save.exhausted());

    SaveReader empty = reader(dir, {});
    EXPECT_TRUE(empty.exhausted());
    empty.reopen();
    EXPECT_TRUE(empty.exhausted());
}

TEST(SaveReader, ReadsAcrossBlocksInAnyOrder)
{
    testing::TempDir dir;
    testing::Bytes b(10000);
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] = static_cast<std::uint8_t>(i * 7);
    }
    SaveReader save = reader(dir, b);
    for (const std::int64_t o : {9999, 0, 4095, 4096, 8191, 8192, 5000}) {
        EXPECT_EQ(save.read_byte(o), static_cast<std::uint8_t>(o * 7)) << o;
    }
}

TEST(SaveReader, NamesStopAtZeroAtTheEndOrPastTheLimit)
{
    testing::TempDir dir;
    testing::Bytes b;
    testing::put_text(b, 0, std::string(31, 'a'));
    testing::put_text(b, 40, std::string(32, 'b') + " c");
    SaveReader save = reader(dir, b);

    EXPECT_EQ(save.read_name(0, 31).bytes, std::string(31, 'a'));
    EXPECT_FALSE(save.read_name(0, 31).limit_exceeded);
    EXPECT_TRUE(save.read_name(40, 31).limit_exceeded);
    EXPECT_EQ(save.read_name(40).bytes, std::string(32, 'b') + " c");  // to the end of the file
    EXPECT_TRUE(save.exhausted());
    EXPECT_EQ(save.read_name(500).bytes, "");
}

TEST(Codepage, MapsWindows1252IncludingItsGaps)
{
    EXPECT_EQ(cp1252_to_utf8("a\x80\x99\xE9\xFF"), "a\u20AC\u2122\u00E9\u00FF");
    EXPECT_EQ(cp1252_to_utf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

}  // namespace
}  // namespace quillbox::saves
