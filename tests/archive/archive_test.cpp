// own
#include "archive/archive.h"
#include "archive/coders.h"
#include "archive/title.h"
#include "support/save_builder.h"

// std
#include <regex>

#include <gtest/gtest.h>
#include <zlib.h>

namespace quillbox::archive {
namespace {

using namespace testing;

const std::string kUnknown = "This is not a PS2 save in a container Quillbox reads (EMS, X-Port or "
                             "SharkPort, Action Replay MAX, CodeBreaker, PS3 PSV).";
const Time kWhen{0, 7, 53, 23, 21, 4, 2018};
const std::string kCbsDamaged = "The CodeBreaker save is damaged: its ";

std::string error_of(const Bytes& b)
{
    const auto read = read_save(b);
    return read ? "" : read.error().message;
}

// Small saves of each container: folder "F" holding "a" (and "b" in the EMS one).
Bytes ems()
{
    File a{{"a", 0x8497, kWhen, kWhen, {}}, {'x', 'y', 'z'}};
    File b{{"b", 0x8497, kWhen, kWhen, {}}, Bytes(1025, 'b')};
    return *write_psu({Format::ems, {"F", 0x8427, kWhen, kWhen, {}}, {a, b}}, kWhen);
}

// LZARI for 88 bytes: "f1" of 3 bytes "abc" at 0, "f2" of none at 40, padding.
const std::string kLzari = "\xfc\xe2\xba\xab\x82\xd3\xdb\x5a\xb2\x6f\x09\x4b\x5e\x36\x13\x20"
                           "\x63\x5b\x8b\x13\xc0";

Bytes max(const std::string& stream = kLzari)
{
    return build(0x5C, {{0, "Ps2PowerSave"}, {0x10, "F"}, {0x5C, stream}}, {{0x54, 2}, {0x58, 88}});
}

// The stream holds "a" of 2 bytes, with `length` in its length field.
Bytes cbs(bool encrypt = true, std::uint32_t length = 2, std::uint8_t first_block = 0)
{
    const Bytes stream = build(66, {{0x20, "a"}, {64, "xy"}}, {{0x10, length}, {0x14, 0x8497}});
    Bytes body(compressBound(66));
    auto size = static_cast<uLongf>(body.size());
    compress(body.data(), &size, stream.data(), static_cast<uLong>(stream.size()));
    body.resize(size);
    body[2] = first_block ? first_block : body[2];
    if (encrypt) {
        codebreaker_crypt(body);
    }
    Bytes b = build(0x128, {{0, "CFU"}, {0x14, "F"}}, {{0x08, 0x128}, {0x0C, 66}, {0x48, 0x8427}});
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

Bytes psv()
{
    return build(222, {{1, "VSP"}, {0x80, "F"}, {0xB8, "a"}, {0xDC, "xy"}},
                 {{0x3C, 2}, {0x64, 1}, {0x7C, 0x8427}, {0xB0, 2}, {0xB4, 0x8497}, {0xD8, 0xDC}});
}

// Each container cut after every byte: the message names the first field
// that the cut leaves incomplete ({n}: the bytes left); "" where nothing is
// missing (the padding of an EMS save's last file, a last byte that only
// fills out an LZARI stream).
TEST(ReadSave, CutShortAnywhereSaysWhatIsMissing)
{
    const auto cut = [](const char* format, const std::string& what) {
        return std::string("The ") + format + " save is cut short: " + what +
               ", but the file has only {n} bytes.";
    };
    using Fields = std::vector<std::pair<std::size_t, std::string>>;  // where each field ends
    const std::vector<std::tuple<const char*, Bytes, Fields>> cases = {
        // clang-format off
        {"ems", ems(), {{1536, kUnknown}, {2048, cut("EMS", "the header of file 1 needs bytes 1536 to 2047")},
                        {2051, cut("EMS", "the data of file 1 needs bytes 2048 to 2050")},
                        {3584, cut("EMS", "the header of file 2 needs bytes 3072 to 3583")},
                        {4609, cut("EMS", "the data of file 2 needs bytes 3584 to 4608")}, {5633, ""}}},
        {"xport", xport(), {{17, kUnknown}, {25, cut("X-Port", "the title's length needs bytes 21 to 24")},
                            {27, cut("X-Port", "the title needs bytes 25 to 26")},
                            {31, cut("X-Port", "the second header text's length needs bytes 27 to 30")},
                            {33, cut("X-Port", "the second header text needs bytes 31 to 32")},
                            {37, cut("X-Port", "the comment's length needs bytes 33 to 36")},
                            {39, cut("X-Port", "the comment needs bytes 37 to 38")},
                            {43, cut("X-Port", "the payload's length needs bytes 39 to 42")},
                            {549, cut("X-Port", "the payload and its checksum needs bytes 43 to 548")}, {550, ""}}},
        {"max", max(), {{12, kUnknown}, {92, cut("MAX", "the header needs bytes 0 to 91")},
                        {112, "The MAX save is damaged: its LZARI stream ends before the 88 bytes it declares."}, {114, ""}}},
        {"cbs", cbs(), {{4, kUnknown}, {296, cut("CodeBreaker", "the header needs bytes 0 to 295")},
                        {298, kCbsDamaged + "body does not decrypt to a zlib stream."},
                        {cbs().size(), kCbsDamaged + "compressed stream ends early."}, {cbs().size() + 1, ""}}},
        {"psv", psv(), {{4, kUnknown}, {160, cut("PSV", "the header needs bytes 0 to 159")},
                        {220, cut("PSV", "the record of file 1 needs bytes 160 to 219")},
                        {222, cut("PSV", "the data of file 1 needs bytes 220 to 221")}, {223, ""}}},
        // clang-format on
    };
    for (const auto& [name, bytes, fields] : cases) {
        for (std::size_t n = 0; n <= bytes.size(); ++n) {
            const auto field = std::ranges::find_if(fields, [&](auto& f) { return f.first > n; });
            const std::string expected =
                std::regex_replace(field->second, std::regex("\\{n\\}"), std::to_string(n));
            ASSERT_EQ(error_of(Bytes(bytes.data(), bytes.data() + n)), expected)
                << name << " cut to " << n << " bytes";
        }
    }
}

TEST(ReadSave, FieldsThatContradictTheBytesAreRefusedSaying)
{
    const std::string big = " 4294967295 bytes for ";
    const std::string limit = ", more than the 32 MiB limit.";
    const std::vector<std::tuple<const char*, Bytes, std::string>> cases = {
        // clang-format off
        {"over 32 MiB", Bytes(kSizeLimit + 1), "The file has 33554433 bytes, more than the 32 MiB limit for a save."},
        {"ems data past the end", with(ems(), 3076, 3000), "The EMS save is cut short: the data of file 2 needs bytes 3584 to 6583, but the file has only 5632 bytes."},
        {"ems data over 32 MiB", with(ems(), 3076, 0xFFFFFFFF), "The EMS save declares" + big + "the data of file 2" + limit},
        {"ems more entries", with(ems(), 4, 5), "The EMS save is cut short: the header of file 3 needs bytes 5632 to 6143, but the file has only 5632 bytes."},
        {"ems fewer entries", with(ems(), 4, 3), "The EMS save goes on for 2560 bytes after the entries its folder declares."},
        {"xport title length", with(xport(), 21, 0xFFFFFFF0), "The X-Port save is cut short: the title needs bytes 25 to 4294967304, but the file has only 549 bytes."},
        {"xport longer payload", with(xport(), 39, 600), "The X-Port save is cut short: the payload and its checksum needs bytes 43 to 646, but the file has only 549 bytes."},
        {"xport shorter payload", with(xport(), 39, 500), "The X-Port save goes on for 2 bytes after its checksum."},
        {"xport more entries", with(xport(), 43 + 0x42, 4), "The X-Port save is damaged: the descriptor of file 2 needs bytes 545 to 546, but its payload ends before byte 545."},
        {"xport no . and ..", with(xport(), 43 + 0x42, 1), "The X-Port save is damaged: its folder's entry count is 1, less than the 2 (. and ..) of every folder."},
        {"xport data past the payload", with(xport(), 293 + 0x42, 3), "The X-Port save is damaged: the data of file 1 needs bytes 543 to 545, but its payload ends before byte 545."},
        {"xport data over 32 MiB", with(xport(), 293 + 0x42, 0xFFFFFFFF), "The X-Port save declares" + big + "the data of file 1" + limit},
        {"xport short descriptor", with(xport(), 293, 100), "The X-Port save is damaged: the descriptor of file 1 has 100 bytes, fewer than 250."},
        {"sharkport of a GBA", with(xport(), 43, 100), "The SharkPort save holds no PS2 save folder (it may be a Game Boy Advance save)."},
        {"max stream over 32 MiB", with(max(), 0x58, 0xFFFFFFFF), "The MAX save declares" + big + "its file stream" + limit},
        {"max stream longer than coded", with(max(), 0x58, 200), "The MAX save is damaged: its LZARI stream ends before the 200 bytes it declares."},
        {"max coded past the stream", max(kLzari + std::string(20, 'f')), "The MAX save is damaged: its LZARI stream goes on past the 88 bytes it declares."},
        {"max more files", with(max(), 0x54, 3), "The MAX save is damaged: the header of file 3 needs bytes 88 to 123 of its file stream, which has only 88 bytes."},
        {"max fewer files", with(max(), 0x54, 1), "The MAX save's file stream goes on for 48 bytes after the files its header declares."},
        {"cbs stream over 32 MiB", with(cbs(), 0x0C, 0xFFFFFFFF), "The CodeBreaker save declares" + big + "its file stream" + limit},
        {"cbs inflates past its size", with(cbs(), 0x0C, 65), kCbsDamaged + "compressed stream goes on past the 65 bytes it declares."},
        {"cbs inflates short of its size", with(cbs(), 0x0C, 67), kCbsDamaged + "compressed stream ends early."},
        {"cbs corrupt zlib", cbs(true, 2, 0xFF), kCbsDamaged + "compressed stream is corrupt."},
        {"cbs not encrypted", cbs(false), kCbsDamaged + "body is not encrypted, as every CodeBreaker save's is."},
        {"cbs short header", with(cbs(), 8, 0x100), kCbsDamaged + "header length 256 is shorter than the 296 bytes of its fields."},
        {"cbs header past the end", with(cbs(), 8, 0x1000), "The CodeBreaker save is cut short: the header needs bytes 0 to 4095, but the file has only " + std::to_string(cbs().size()) + " bytes."},
        {"cbs data past the stream", cbs(true, 100), "The CodeBreaker save is damaged: the data of file 1 needs bytes 64 to 163 of its file stream, which has only 66 bytes."},
        {"psv more records", with(psv(), 0x64, 2), "The PSV save is cut short: the record of file 2 needs bytes 220 to 279, but the file has only 222 bytes."},
        {"psv data past the end", with(psv(), 0xA0 + 0x38, 300), "The PSV save is cut short: the data of file 1 needs bytes 300 to 301, but the file has only 222 bytes."},
        {"psv data over 32 MiB", with(psv(), 0xA0 + 0x10, 0xFFFFFFFF), "The PSV save declares" + big + "the data of file 1" + limit},
        {"psv of a PS1 save", with(psv(), 0x3C, 1), "The PSV save holds a PS1 save, which Quillbox does not read."},
        // clang-format on
    };
    for (const auto& [name, bytes, expected] : cases) {
        EXPECT_EQ(error_of(bytes), expected) << name;
    }
}

// The title of an icon.sys holding "ＦＦ１２　０１" and "００１：２５～２７" (whose wave
// dash is one of the symbols code page 932 reads otherwise than Shift-JIS), split at the
// offset stored in it.
TEST(ReadTitle, SplitsAtItsOffsetAndDecodesCodePage932)
{
    const std::string ff12 =
        "\x82\x65\x82\x65\x82\x50\x82\x51\x81\x40\x82\x4f\x82\x50"
        "\x82\x4f\x82\x4f\x82\x50\x81\x46\x82\x51\x82\x54\x81\x60\x82\x51\x82\x56";
    // clang-format off
    const std::vector<std::tuple<std::uint32_t, const char*, std::string>> rows = {
        {14, "PS2D", "ＦＦ１２　０１|００１：２５～２７"},
        {68, "PS2D", "ＦＦ１２　０１００１：２５～２７|"},  // the offset past the title's end
        {13, "PS2D", "(none)"},  // in the middle of a character
        {14, "PS2X", "(none)"},
    };
    // clang-format on
    for (const auto& [split, mark, expected] : rows) {
        const File icon{{"icon.sys", {}, {}, {}, {}},
                        build(964, {{0, mark}, {0xC0, ff12}}, {{6, split}})};
        const auto t = read_title({Format::ems, {}, {icon}});
        EXPECT_EQ(t ? t->line1 + "|" + t->line2 : "(none)", expected) << split << " " << mark;
    }
}

// The CodeBreaker cipher starts from a stored table of 256 bytes, which the tests' own saves,
// encrypted with it, cannot check: its keystream's CRC-32, as the real saves confirm the table.
TEST(CodeBreakerCrypt, KeystreamOfTheStoredTable)
{
    Bytes keystream(4096);
    codebreaker_crypt(keystream);
    EXPECT_EQ(crc32(0, keystream.data(), 4096), 0xD057BFA5U);
}

// Filling in what a MAX save lacks, and a folder's name too long, are the command line's tests.
TEST(WritePsu, RefusesWhatEmsCannotHold)
{
    const std::vector<std::pair<void (*)(Save&), std::string>> refusals = {
        // clang-format off
        {[](Save& s) { s.files[0].name.resize(33, 'n'); }, "The name of file 1 has 33 bytes; an EMS save holds names of at most 32."},
        {[](Save& s) { s.folder.mode = 0x0427; }, "The folder's mode 0x0427 does not mark an existing folder, as an EMS save must."},
        {[](Save& s) { s.files[0].mode = 0x8427; }, "File 1 is marked as a folder (mode 0x8427), which an EMS save cannot hold as a file."},
        // clang-format on
    };
    for (const auto& [change, expected] : refusals) {
        Save save = *read_save(psv());
        change(save);
        const auto written = write_psu(save, kWhen);
        EXPECT_EQ(written ? "" : written.error().message, expected);
    }
}

}  // namespace
}  // namespace quillbox::archive
