// own
#include "saves/codepage.h"
#include "saves/load_error.h"
#include "saves/save_reader.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using testing::bytes;

class ReadingTest : public ::testing::Test {
protected:
    SaveReader reader(const testing::Bytes& content)
    {
        const std::string path = dir_.file("save.bin");
        testing::write_file(path, content);
        return SaveReader(path);
    }

    testing::TempDir dir_;
};

TEST(HexToNumber, GroupsOfSevenDigitsAndNeverNegative)
{
    EXPECT_EQ(hex_to_number("00000010"), 16U);
    EXPECT_EQ(hex_to_number("00000201"), 513U);
    EXPECT_EQ(hex_to_number("FFFFFFFF"), 4294967295U);
    EXPECT_EQ(hex_to_number("80000000"), 2147483648U);
    EXPECT_EQ(hex_to_number("FFFFFFF"), 268435455U);
    EXPECT_EQ(hex_to_number("1"), 1U);
    EXPECT_EQ(hex_to_number("abcdef"), 0xABCDEFU);
    EXPECT_EQ(hex_to_number("123456789ABCDEF"), 0x123456789ABCDEFU);
}

TEST(HexToNumber, RejectsWhatIsNotHex)
{
    EXPECT_FALSE(hex_to_number(""));
    EXPECT_FALSE(hex_to_number("12G4"));
    EXPECT_FALSE(hex_to_number("-1"));
    EXPECT_FALSE(hex_to_number("1FFFFFFFFFFFFFFFF"));  // past 64 bits
}

TEST_F(ReadingTest, FieldIsLittleEndianAndEndsBeforeItsOffset)
{
    testing::Bytes b(21);
    testing::append(b, bytes({0x10, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    SaveReader save = reader(b);
    EXPECT_EQ(save.read_hex_field(25), "00000010");
    EXPECT_EQ(save.read_hex_field(29), "00000201");
    EXPECT_EQ(save.read_hex_field(33), "FFFFFFFF");
    EXPECT_FALSE(save.exhausted());
}

TEST_F(ReadingTest, MarkFollowsTheLastByteRead)
{
    SaveReader save = reader(bytes({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(save.read_hex_field(100), "00000000");  // wholly past the end
    EXPECT_TRUE(save.exhausted());
    // Straddling the end: missing bytes read 0 and the mark reflects the
    // field's first byte in file order, the last one read.
    EXPECT_EQ(save.read_hex_field(8), "00000605");
    EXPECT_FALSE(save.exhausted());
    EXPECT_EQ(save.read_hex_field(10), "00000000");
    EXPECT_TRUE(save.exhausted());
    save.reopen();
    EXPECT_FALSE(save.exhausted());
    EXPECT_EQ(save.read_byte(5), 6);
    EXPECT_EQ(save.read_byte(6), 0);
    EXPECT_TRUE(save.exhausted());
}

TEST_F(ReadingTest, EmptyFileIsExhaustedFromTheStart)
{
    SaveReader save = reader({});
    EXPECT_TRUE(save.exhausted());
    save.reopen();
    EXPECT_TRUE(save.exhausted());
}

TEST_F(ReadingTest, ReadsAcrossBlocksOfALargeFile)
{
    testing::Bytes b(10000);
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] = static_cast<std::uint8_t>(i * 7);
    }
    SaveReader save = reader(b);
    for (const std::int64_t o : {9999, 0, 4095, 4096, 8191, 8192, 5000}) {
        EXPECT_EQ(save.read_byte(o), static_cast<std::uint8_t>(o * 7)) << o;
    }
}

TEST_F(ReadingTest, NameLimitAllowsThirtyOneCharacters)
{
    testing::Bytes b;
    testing::put_text(b, 0, std::string(31, 'a'));
    testing::put_text(b, 40, std::string(32, 'b'));
    b.resize(80);
    SaveReader save = reader(b);

    const SaveReader::Name ok = save.read_name(0, 31);
    EXPECT_FALSE(ok.limit_exceeded);
    EXPECT_EQ(ok.bytes, std::string(31, 'a'));

    EXPECT_TRUE(save.read_name(40, 31).limit_exceeded);
    EXPECT_EQ(save.read_name(40).bytes, std::string(32, 'b'));  // no limit
}

TEST_F(ReadingTest, NameEndsAtTheEndOfTheFile)
{
    SaveReader save = reader(bytes({'a', ' ', 'b'}));
    EXPECT_EQ(save.read_name(0).bytes, "a b");
    EXPECT_TRUE(save.exhausted());
    EXPECT_EQ(save.read_name(50).bytes, "");
}

TEST(Codepage, MapsWindows1252IncludingItsGaps)
{
    EXPECT_EQ(cp1252_to_utf8("abc"), "abc");
    EXPECT_EQ(cp1252_to_utf8("\x80\x99"), "\u20AC\u2122");
    EXPECT_EQ(cp1252_to_utf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(cp1252_to_utf8("\xE9\xFF"), "\u00E9\u00FF");
}

TEST(SaveReaderOpen, MissingFileAndFolderNameTheFileAndReason)
{
    testing::TempDir dir;
    try {
        SaveReader save(dir.file("nope.psu"));
        FAIL();
    } catch (const LoadError& e) {
        EXPECT_EQ(e.code(), LoadError::Code::unreadable);
        EXPECT_NE(std::string(e.what()).find("nope.psu\" could not be read: the file does not exist"),
                  std::string::npos)
            << e.what();
    }
    try {
        SaveReader save(dir.path());
        FAIL();
    } catch (const LoadError& e) {
        EXPECT_NE(std::string(e.what()).find("it is a folder"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace quillbox::saves
