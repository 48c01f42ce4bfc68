// own
#include "cli/cli.h"
#include "saves/safe_name.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <set>
#include <sstream>

#include <gtest/gtest.h>

namespace quillbox::cli {
namespace {

using testing::section;

// The exit status, then what went to standard output, then standard error.
std::string cli(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = run(args, out, err);
    return std::to_string(status) + " " + out.str() + err.str();
}

class CliTest : public ::testing::Test {
protected:
    std::string save(const std::string& name, const testing::Bytes& content)
    {
        testing::write_file(dir_.file(name), content);
        return dir_.file(name);
    }

    testing::TempDir dir_;
    const std::string ems_ = save("e.psu", testing::ems_save("BASLUS", {section("icon.sys", 964), section("x", 5, 0x60)}));
    const testing::XportHeader bare_{0, "", "", ""};
};

TEST_F(CliTest, StatusAndOutputOfEachCommand)
{
    const std::string v1 = save("v1.xps", testing::xport_save("D", {}, testing::with_variant(1)));
    testing::Bytes corrupt = testing::ems_save("D", {section("a", 1)});
    testing::put_u32(corrupt, 1540, 0xFFFFFFFFU);
    const std::string no = dir_.file("no.bin");
    // Arguments, and the start of the status and output.
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"list", ems_}, "0 Directory: BASLUS\n0\ticon.sys\t2048\t964\n1\tx\t3584\t5\n"},
        {{"list", save("a.xps", testing::xport_save("B", {section("icon.sys", 964)}, bare_))}, "0 B\n0\ticon.sys\t537\t964\n"},
        {{"list", save("l.psu", testing::ems_save("D", {section(std::string(32, 'n'), 1)}))},
         "1 Directory: D\nAn error has occured, the save contains a filename larger than 31 characters and may be "
         "corrupt.\nPlease contact varnel"},  // no CR
        {{"list", dir_.file("gone.psu")}, "2 The save \"" + dir_.file("gone.psu") + "\" could not be read: the file does not exist."},
        {{"list", "--json", v1}, "1 {"},
        {{"list", "--json", save("c.psu", corrupt)},
         "2 {\"error\": \"An error has occured, the save may be corrupt.\\r\\nPlease contact varnel and include the save "
         "your were working with.\"}\n"},
        {{"extract", ems_, "1", dir_.file("x.bin")}, "0 "},
        {{"extract", ems_, "9", no}, "1 Slot 9 is not in use"},
        {{"extract", v1, "0", no}, "1 Save file is an Xport V1 save with the V2 header and extension, it contains no icon data\n"
                                   "Please load a save first\n"},
        {{"extract", ems_, "18", no}, "2 Usage: "}, {{"extract", ems_, "1x", no}, "2 Usage: "},
        {{"extract", ems_, "", no}, "2 Usage: "},
        {{"extract", dir_.file("gone.psu"), "0", no}, "2 The save"},
        {{"--version"}, "0 quillbox-cli 1.2\n"}, {{"--help"}, "0 Usage: "}, {{"-h"}, "0 Usage: "},
        {{}, "2 Usage: "}, {{"list"}, "2 Usage: "}, {{"frobnicate", "x"}, "2 Usage: "},
    };
    for (const auto& [args, expected] : cases) {
        EXPECT_TRUE(cli(args).starts_with(expected)) << cli(args);
    }
    EXPECT_EQ(testing::read_file(dir_.file("x.bin")), section("x", 5, 0x60).data);
    EXPECT_FALSE(std::filesystem::exists(no));
}

TEST_F(CliTest, JsonIsTheWindowStateAfterFileOpen)
{
    const std::string xps = save("j.xps", testing::xport_save("DIR", {section("a\"b\x01", 3)}, bare_));
    std::string unused;
    for (int i = 2; i < 18; ++i) {
        unused += R"(, {"caption": "", "enabled": false, "selected": false, "start": "", "length": ""})";
    }
    std::string xps_json;  // a Windows path's backslashes are escaped
    for (const char c : xps) {
        xps_json += c == '\\' ? std::string(2, c) : std::string(1, c);
    }
    EXPECT_EQ(cli({"list", "--json", xps}),
              R"(0 {"txtload": ")" + xps_json + R"(", "txttype": "xv2", "txtvalidxps": "True", "txttempvar": "0", )"
                  R"("txttempvar3": "790", "directory": "DIR", "message": null, "slots": [)"
                  R"({"caption": "a\"b\u0001", "enabled": true, "selected": true, "start": "537", "length": "3"}, )"
                  R"({"caption": "", "enabled": false, "selected": false, "start": "790", "length": "0"})" +
                  unused + "]}\n");
}

TEST_F(CliTest, ExtractAllKeepsHostileNamesInsideTheFolder)
{
    const std::string ems = save("h.psu", testing::ems_save("D", {section("../up", 1), section("CON", 2), section("a/b", 3),
                                                                  section("same", 4), section("same", 5), section("..", 6)}));
    const std::filesystem::path out = dir_.path() / "out";
    EXPECT_TRUE(cli({"extract-all", ems, out.string()}).starts_with("0 "));
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{".._up", "_CON", "a_b", "same", "same_2", "__"}));
    EXPECT_EQ(testing::read_file(out / "same_2").size(), 5U);
}

TEST(SafeFileName, NeitherEscapesNorNamesADevice)
{
    for (const auto& [name, safe] : std::vector<std::pair<const char*, const char*>>{
             {"icon.sys", "icon.sys"}, {"/etc/passwd", "_etc_passwd"}, {"C:\\x", "C__x"}, {".", "_"},
             {"name. ", "name__"}, {"lpt1.txt", "_lpt1.txt"}, {"COM9", "_COM9"}, {"COM10", "COM10"},
             {"a\tb?\x7f", "a_b__"}}) {
        EXPECT_EQ(saves::safe_file_name(name), safe);
    }
}

}  // namespace
}  // namespace quillbox::cli
