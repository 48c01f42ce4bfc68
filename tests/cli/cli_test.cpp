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

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun cli(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = run(args, out, err);
    return {status, out.str(), err.str()};
}

class CliTest : public ::testing::Test {
protected:
    std::string save(const std::string& name, const testing::Bytes& content)
    {
        testing::write_file(dir_.file(name), content);
        return dir_.file(name);
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir_.file(name)); }

    testing::TempDir dir_;
    const testing::XportHeader bare_{0, "", "", ""};
};

TEST_F(CliTest, ListShowsDataOffsetsAndMessagesOnStandardError)
{
    const CliRun ems = cli({"list", save("a.psu", testing::ems_save("BASLUS", {section("icon.sys", 964), section("x", 2)}))});
    EXPECT_EQ(ems.status, kDone);
    EXPECT_EQ(ems.out, "Directory: BASLUS\n0\ticon.sys\t2048\t964\n1\tx\t3584\t2\n");
    EXPECT_EQ(cli({"list", save("a.xps", testing::xport_save("BASLUS", {section("icon.sys", 964)}, bare_))}).out,
              "BASLUS\n0\ticon.sys\t537\t964\n");

    const CliRun longname = cli({"list", save("l.psu", testing::ems_save("D", {section(std::string(32, 'n'), 1)}))});
    EXPECT_EQ(longname.status, kShowedMessage);
    EXPECT_NE(longname.err.find("may be corrupt.\nPlease contact varnel"), std::string::npos);  // no CR

    const CliRun missing = cli({"list", dir_.file("missing.psu")});
    EXPECT_EQ(missing.status, kUsageOrIo);
    EXPECT_NE(missing.err.find("could not be read: the file does not exist"), std::string::npos);
}

TEST_F(CliTest, JsonIsTheWindowStateAfterFileOpen)
{
    const std::string xps = save("j.xps", testing::xport_save("DIR", {section("a\"b", 3)}, bare_));
    const CliRun r = cli({"list", "--json", xps});
    EXPECT_EQ(r.status, kDone);
    std::string unused;
    for (int i = 2; i < 18; ++i) {
        unused += R"(, {"caption": "", "enabled": false, "selected": false, "start": "", "length": ""})";
    }
    std::string xps_json;  // a Windows path's backslashes are escaped
    for (const char c : xps) {
        xps_json += c == '\\' ? std::string(2, c) : std::string(1, c);
    }
    EXPECT_EQ(r.out, R"({"txtload": ")" + xps_json +
                         R"(", "txttype": "xv2", "txtvalidxps": "True", "txttempvar": "0", )"
                         R"("txttempvar3": "790", "directory": "DIR", "message": null, "slots": [)"
                         R"({"caption": "a\"b", "enabled": true, "selected": true, "start": "537", "length": "3"}, )"
                         R"({"caption": "", "enabled": false, "selected": false, "start": "790", "length": "0"})" +
                         unused + "]}\n");

    const CliRun refused = cli({"list", "--json", save("v1.xps", testing::xport_save("D", {}, testing::with_variant(1)))});
    EXPECT_EQ(refused.status, kShowedMessage);
    EXPECT_NE(refused.out.find(R"("message": "Save file is an Xport V1 save)"), std::string::npos);

    testing::Bytes corrupt = testing::ems_save("D", {section("a", 1)});
    testing::put_u32(corrupt, 1540, 0xFFFFFFFFU);
    const CliRun failed = cli({"list", "--json", save("c.psu", corrupt)});
    EXPECT_EQ(failed.status, kUsageOrIo);
    EXPECT_EQ(failed.out, "{\"error\": \"An error has occured, the save may be corrupt.\\r\\nPlease contact "
                          "varnel and include the save your were working with.\"}\n");
}

TEST_F(CliTest, ExtractWritesOneSlotOrRefusesAndWritesNothing)
{
    const std::string ems = save("e.psu", testing::ems_save("D", {section("a", 10), section("b", 5, 0x60)}));
    EXPECT_EQ(cli({"extract", ems, "1", dir_.file("b.bin")}).status, kDone);
    EXPECT_EQ(testing::read_file(dir_.file("b.bin")), section("b", 5, 0x60).data);

    const std::string v1 = save("v1.xps", testing::xport_save("D", {}, testing::with_variant(1)));
    EXPECT_EQ(cli({"extract", ems, "9", dir_.file("no.bin")}).status, kShowedMessage);  // disabled
    const CliRun refused = cli({"extract", v1, "0", dir_.file("no.bin")});
    EXPECT_EQ(refused.status, kShowedMessage);
    EXPECT_TRUE(refused.err.ends_with("icon data\nPlease load a save first\n")) << refused.err;
    for (const char* slot : {"18", "-1", "x", ""}) {
        EXPECT_EQ(cli({"extract", ems, slot, dir_.file("no.bin")}).status, kUsageOrIo) << slot;
    }
    EXPECT_EQ(cli({"extract", dir_.file("gone.psu"), "0", dir_.file("no.bin")}).status, kUsageOrIo);
    EXPECT_FALSE(exists("no.bin"));
}

TEST_F(CliTest, ExtractAllKeepsHostileNamesInsideTheFolder)
{
    const std::string ems = save("h.psu", testing::ems_save("D", {section("../up", 1), section("CON", 2), section("a/b", 3),
                                                                  section("same", 4), section("same", 5), section("..", 6)}));
    const std::filesystem::path out = dir_.path() / "out";
    const CliRun r = cli({"extract-all", ems, out.string()});
    EXPECT_EQ(r.status, kDone) << r.err;
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
             {"name. ", "name__"}, {"lpt1.txt", "_lpt1.txt"}, {"COM10", "COM10"}, {"a\tb?", "a_b_"}}) {
        EXPECT_EQ(saves::safe_file_name(name), safe);
    }
}

TEST(CliUsage, HelpVersionAndMistakes)
{
    EXPECT_EQ(cli({"--version"}).out, "quillbox-cli 1.2\n");
    EXPECT_EQ(cli({"--help"}).status, kDone);
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"list"}, {"frobnicate", "x"}}) {
        EXPECT_EQ(cli(args).status, kUsageOrIo);
    }
}

}  // namespace
}  // namespace quillbox::cli
