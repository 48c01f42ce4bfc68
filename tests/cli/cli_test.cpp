// own
#include "cli/cli.h"
#include "saves/safe_name.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <algorithm>
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
        const std::string path = dir_.file(name);
        testing::write_file(path, content);
        return path;
    }

    testing::TempDir dir_;
};

TEST_F(CliTest, ListShowsDataOffsetsOfSlotsInUse)
{
    const std::string ems = save("a.psu", testing::ems_save("BASLUS", {section("icon.sys", 964), section("x", 2)}));
    const CliRun r = cli({"list", ems});
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(r.out, "Directory: BASLUS\n0\ticon.sys\t2048\t964\n1\tx\t3584\t2\n");
    EXPECT_EQ(r.err, "");

    const std::string xps = save("a.xps", testing::xport_save("BASLUS", {section("icon.sys", 964)},
                                                              testing::XportHeader{0, "", "", ""}));
    EXPECT_EQ(cli({"list", xps}).out, "BASLUS\n0\ticon.sys\t537\t964\n");
}

TEST_F(CliTest, ListReportsMessagesOnStandardError)
{
    const std::string longname = save("l.psu", testing::ems_save("D", {section(std::string(32, 'n'), 1)}));
    const CliRun r = cli({"list", longname});
    EXPECT_EQ(r.status, kShowedMessage);
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
    EXPECT_NE(r.err.find("larger than 31 characters and may be corrupt.\nPlease contact varnel"), std::string::npos);

    const CliRun missing = cli({"list", dir_.file("missing.psu")});
    EXPECT_EQ(missing.status, kUsageOrIo);
    EXPECT_NE(missing.err.find("could not be read: the file does not exist"), std::string::npos);
}

TEST_F(CliTest, JsonIsTheWindowStateAfterFileOpen)
{
    const std::string xps = save("j.xps", testing::xport_save("DIR", {section("a\"b", 3)},
                                                              testing::XportHeader{0, "", "", ""}));
    const CliRun r = cli({"list", "--json", xps});
    EXPECT_EQ(r.status, kDone);
    std::string slots;
    for (int i = 2; i < 18; ++i) {
        slots += R"(, {"caption": "", "enabled": false, "selected": false, "start": "", "length": ""})";
    }
    EXPECT_EQ(r.out, R"({"txtload": ")" + xps +
                         R"(", "txttype": "xv2", "txtvalidxps": "True", "txttempvar": "0", )"
                         R"("txttempvar3": "790", "directory": "DIR", "message": null, "slots": [)"
                         R"({"caption": "a\"b", "enabled": true, "selected": true, "start": "537", "length": "3"}, )"
                         R"({"caption": "", "enabled": false, "selected": false, "start": "790", "length": "0"})" +
                         slots + "]}\n");

    testing::XportHeader v1;
    v1.variant = 1;
    const CliRun refused = cli({"list", "--json", save("v1.xps", testing::xport_save("D", {}, v1))});
    EXPECT_EQ(refused.status, kShowedMessage);
    EXPECT_NE(refused.out.find(R"("message": "Save file is an Xport V1 save)"), std::string::npos);

    const CliRun corrupt = cli({"list", "--json", save("c.psu", [] {
        testing::Bytes b = testing::ems_save("D", {section("a", 1)});
        testing::put_u32(b, 1540, 0xFFFFFFFFU);
        return b;
    }())});
    EXPECT_EQ(corrupt.status, kUsageOrIo);
    EXPECT_EQ(corrupt.out, "{\"error\": \"An error has occured, the save may be corrupt.\\r\\nPlease contact "
                           "varnel and include the save your were working with.\"}\n");
}

TEST_F(CliTest, ExtractWritesOneSlotOrRefuses)
{
    const std::string ems = save("e.psu", testing::ems_save("D", {section("a", 10, 0x30), section("b", 5, 0x60)}));
    EXPECT_EQ(cli({"extract", ems, "1", dir_.file("b.bin")}).status, kDone);
    EXPECT_EQ(testing::read_file(dir_.file("b.bin")), section("b", 5, 0x60).data);

    const CliRun disabled = cli({"extract", ems, "9", dir_.file("no.bin")});
    EXPECT_EQ(disabled.status, kShowedMessage);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("no.bin")));

    testing::XportHeader v1;
    v1.variant = 1;
    const CliRun refused = cli({"extract", save("v1.xps", testing::xport_save("D", {}, v1)), "0", dir_.file("no.bin")});
    EXPECT_EQ(refused.status, kShowedMessage);
    EXPECT_NE(refused.err.find("Please load a save first"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("no.bin")));

    for (const char* slot : {"18", "-1", "x", ""}) {
        EXPECT_EQ(cli({"extract", ems, slot, dir_.file("no.bin")}).status, kUsageOrIo) << slot;
    }
    EXPECT_EQ(cli({"extract", dir_.file("gone.psu"), "0", dir_.file("no.bin")}).status, kUsageOrIo);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("no.bin")));
}

TEST_F(CliTest, ExtractAllKeepsHostileNamesInsideTheFolder)
{
    const std::string ems = save("h.psu", testing::ems_save("D", {section("../up", 1), section("CON", 2),
                                                                  section("a/b", 3), section("same", 4),
                                                                  section("same", 5), section("..", 6)}));
    const std::filesystem::path out = dir_.path() / "out";
    const CliRun r = cli({"extract-all", ems, out.string()});
    EXPECT_EQ(r.status, kDone) << r.err;
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{".._up", "_CON", "a_b", "same", "same_2", "__"}));
    EXPECT_EQ(testing::read_file(out / "same_2").size(), 5U);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 6);
}

TEST(SafeFileName, NeitherEscapesNorCollidesWithDevices)
{
    EXPECT_EQ(saves::safe_file_name("icon.sys"), "icon.sys");
    EXPECT_EQ(saves::safe_file_name("/etc/passwd"), "_etc_passwd");
    EXPECT_EQ(saves::safe_file_name("C:\\x"), "C__x");
    EXPECT_EQ(saves::safe_file_name("."), "_");
    EXPECT_EQ(saves::safe_file_name("name. "), "name__");
    EXPECT_EQ(saves::safe_file_name("lpt1.txt"), "_lpt1.txt");
    EXPECT_EQ(saves::safe_file_name("COM10"), "COM10");
    EXPECT_EQ(saves::safe_file_name("a\tb?"), "a_b_");
}

TEST(CliUsage, HelpVersionAndMistakes)
{
    EXPECT_EQ(cli({"--version"}).out, "quillbox-cli 1.2\n");
    EXPECT_EQ(cli({"--help"}).status, kDone);
    EXPECT_EQ(cli({}).status, kUsageOrIo);
    EXPECT_EQ(cli({"list"}).status, kUsageOrIo);
    EXPECT_EQ(cli({"frobnicate", "x"}).status, kUsageOrIo);
}

}  // namespace
}  // namespace quillbox::cli
