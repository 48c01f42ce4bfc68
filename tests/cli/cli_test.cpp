// own
#include "cli/cli.h"
#include "cli/json.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <algorithm>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

namespace quillbox::cli {
namespace {

using namespace quillbox::testing;

// The exit status, then what went to standard output, then standard error.
std::string cli(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = run(args, out, err);
    return std::to_string(status) + " " + out.str() + err.str();
}

const TempDir kDir;

std::string save(const std::string& name, const Bytes& content)
{
    write_file(kDir.file(name), content);
    return kDir.file(name);
}

TEST(Cli, StatusAndOutputOfEachCommand)
{
    const std::string ems = save("e.psu", ems_save("BASLUS", {section("icon.sys", 964), section("x", 5, 0x60)}));
    const std::string v1 = save("v1.xps", xport_save("D", {}, with_variant(1)));
    const std::string gone = kDir.file("gone.psu");
    const std::string no = kDir.file("no.bin");
    Bytes corrupt = ems_save("D", {section("a", 1)});
    put_u32(corrupt, 1540, 0xFFFFFFFFU);  // a length that carries the next entry past 2^31
    // Arguments, and the start of the status and output.
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"list", ems}, "0 Directory: BASLUS\n0\ticon.sys\t2048\t964\n1\tx\t3584\t5\n"},
        {{"list", save("a.xps", xport_save("B", {section("icon.sys", 964)}, {0, "", "", ""}))}, "0 B\n0\ticon.sys\t537\t964\n"},
        {{"list", save("l.psu", ems_save("D", {section(std::string(32, 'n'), 1)}))},
         "1 Directory: D\nAn error has occured, the save contains a filename larger than 31 characters and may be "
         "corrupt.\nPlease contact varnel"},  // no CR
        {{"list", gone}, "2 The save \"" + gone + "\" could not be read: the file does not exist."},
        {{"list", "--json", v1}, "1 {"},
        {{"list", "--json", save("c.psu", corrupt)},
         "2 {\"error\": \"An error has occured, the save may be corrupt.\\r\\nPlease contact varnel and include the save "
         "your were working with.\"}\n"},
        {{"extract", ems, "1", kDir.file("x.bin")}, "0 "}, {{"extract", ems, "9", no}, "1 Slot 9 is not in use"},
        {{"extract", v1, "0", no}, "1 Save file is an Xport V1 save with the V2 header and extension, it contains no icon data\n"
                                   "Please load a save first\n"},
        {{"extract", ems, "18", no}, "2 Usage: "}, {{"extract", ems, "1x", no}, "2 Usage: "},
        {{"extract", ems, "", no}, "2 Usage: "}, {{"extract", gone, "0", no}, "2 The save"},
        {{"--version"}, "0 quillbox-cli 1.2\n"}, {{"--help"}, "0 Usage: "}, {{"-h"}, "0 Usage: "},
        {{}, "2 Usage: "}, {{"list"}, "2 Usage: "}, {{"frobnicate", "x"}, "2 Usage: "},
    };
    for (const auto& [args, expected] : cases) {
        EXPECT_TRUE(cli(args).starts_with(expected)) << cli(args);
    }
    EXPECT_EQ(read_file(kDir.file("x.bin")), section("x", 5, 0x60).data);
    EXPECT_FALSE(std::filesystem::exists(no));
}

TEST(Cli, JsonIsTheWindowStateAfterFileOpen)
{
    const std::string xps = save("j.xps", xport_save("DIR", {section("a\"b\x01\\", 3)}, {0, "", "", ""}));
    const std::string json = cli({"list", "--json", xps});
    EXPECT_TRUE(json.starts_with(
        R"(0 {"txtload": )" + json_string(xps) + R"(, "txttype": "xv2", "txtvalidxps": "True", "txttempvar": "0", )"
        R"("txttempvar3": "790", "directory": "DIR", "message": null, "slots": [)"
        R"({"caption": "a\"b\u0001\\", "enabled": true, "selected": true, "start": "537", "length": "3"}, )"
        R"({"caption": "", "enabled": false, "selected": false, "start": "790", "length": "0"}, {)")) << json;
    EXPECT_TRUE(json.ends_with(R"(}, {"caption": "", "enabled": false, "selected": false, "start": "", "length": ""}]})" "\n"));
    EXPECT_EQ(std::ranges::count(json, '{'), 19);
}

// Section names made safe as file names, and kept apart when two are the same.
TEST(Cli, ExtractAllKeepsHostileNamesInsideTheFolder)
{
    std::vector<Section> sections;
    for (const char* name : {"../up", "CON", "a/b", "same", "same", "..", "C:\\x", "name. ", "lpt1.txt", "COM9",
                             "COM10", "a\tb?\x7f"}) {
        sections.push_back(section(name, sections.size() + 1));
    }
    const std::filesystem::path out = kDir.path() / "out";
    EXPECT_TRUE(cli({"extract-all", save("h.psu", ems_save("D", sections)), out.string()}).starts_with("0 "));
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{".._up", "_CON", "a_b", "same", "same_2", "__", "C__x", "name__", "_lpt1.txt",
                                            "_COM9", "COM10", "a_b__"}));
    EXPECT_EQ(read_file(out / "same_2").size(), 5U);
}

}  // namespace
}  // namespace quillbox::cli
