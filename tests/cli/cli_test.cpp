// own
#include "cli/cli.h"
#include "cli/json.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <sstream>

#include <gtest/gtest.h>

namespace quillbox::cli {
namespace {

using namespace quillbox::testing;

const TempDir kDir;

std::string save(const std::string& name, const Bytes& content)
{
    write_file(kDir.file(name), content);
    return kDir.file(name);
}

TEST(Cli, StatusAndOutputOfEachCommand)
{
    const std::string ems =
        save("e.psu", ems_save("BASLUS", {section("icon.sys", 964), section("x", 5, 0x60)}));
    const std::string v1 = save("v1.xps", xport_save("D", {}, with_variant(1)));
    const std::string xps =
        save("j.xps", xport_save("DIR", {section("a\"b\x01\\", 3)}, {0, "", "", ""}));
    Bytes corrupt = ems_save("D", {section("a", 1)});
    put_u32(corrupt, 1540, 0xFFFFFFFFU);  // a length that carries the next entry past 2^31
    // Section names made safe as file names, kept apart when two are the same.
    std::vector<Section> hostile;
    std::string written = "0 ";
    for (const auto& [name, safe] :
         std::vector<std::pair<const char*, const char*>>{{"../up", ".._up"},
                                                          {"CON", "_CON"},
                                                          {"a/b", "a_b"},
                                                          {"same", "same"},
                                                          {"same", "same_2"},
                                                          {"..", "__"},
                                                          {"C:\\x", "C__x"},
                                                          {"name. ", "name__"},
                                                          {"lpt1.txt", "_lpt1.txt"},
                                                          {"COM9", "_COM9"},
                                                          {"COM10", "COM10"},
                                                          {"a\tb?\x7f", "a_b__"}}) {
        hostile.push_back(section(name, hostile.size() + 1));
        written += (kDir.path() / "out" / safe).string() + "\n";
    }
    const std::string gone = kDir.file("gone.psu");
    const std::string no = kDir.file("no.bin");
    // Arguments, and the start of the status, standard output and standard error.
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"list", ems}, "0 Directory: BASLUS\n0\ticon.sys\t2048\t964\n1\tx\t3584\t5\n"},
        {{"list", save("a.xps", xport_save("B", {section("icon.sys", 964)}, {0, "", "", ""}))},
         "0 B\n0\ticon.sys\t537\t964\n"},
        {{"list", save("l.psu", ems_save("D", {section(std::string(32, 'n'), 1)}))},
         "1 Directory: D\nAn error has occured, the save contains a filename larger than 31 "
         "characters and may be "
         "corrupt.\nPlease contact varnel"},  // no CR
        {{"list", gone}, "2 The save \"" + gone + "\" could not be read: the file does not exist."},
        // The window's state after File, Open.
        {{"list", "--json", xps},
         R"(0 {"txtload": )" + json_string(xps) +
             R"(, "txttype": "xv2", "txtvalidxps": "True", "txttempvar": "0", )"
             R"("txttempvar3": "790", "directory": "DIR", "message": null, "slots": [{"caption": "a\"b\u0001\\", )"
             R"("enabled": true, "selected": true, "start": "537", "length": "3"}, {"caption": "", "enabled": false, )"
             R"("selected": false, "start": "790", "length": "0"}, {"caption": "", "enabled": false, "selected": false, )"},
        {{"list", "--json", v1}, "1 {"},
        {{"list", "--json", save("c.psu", corrupt)},
         "2 {\"error\": \"An error has occured, the save may be corrupt.\\r\\nPlease contact "
         "varnel and include the save "
         "your were working with.\"}\n"},
        {{"extract", ems, "1", kDir.file("x.bin")}, "0 "},
        {{"extract", ems, "9", no}, "1 Slot 9 is not in use"},
        {{"extract", v1, "0", no},
         "1 Save file is an Xport V1 save with the V2 header and extension, it contains no icon "
         "data\n"
         "Please load a save first\n"},
        {{"extract", ems, "18", no}, "2 Usage: "},
        {{"extract", ems, "1x", no}, "2 Usage: "},
        {{"extract", ems, "", no}, "2 Usage: "},
        {{"extract", gone, "0", no}, "2 The save"},
        {{"extract-all", save("h.psu", ems_save("D", hostile)), (kDir.path() / "out").string()},
         written},
        {{"--version"}, "0 quillbox-cli 1.2\n"},
        {{"--help"}, "0 Usage: "},
        {{"-h"}, "0 Usage: "},
        {{}, "2 Usage: "},
        {{"list"}, "2 Usage: "},
        {{"frobnicate", "x"}, "2 Usage: "},
    };
    for (const auto& [args, expected] : cases) {
        std::ostringstream out, err;
        const int status = run(args, out, err);
        EXPECT_TRUE((std::to_string(status) + " " + out.str() + err.str()).starts_with(expected))
            << out.str() << err.str();
    }
    EXPECT_EQ(read_file(kDir.file("x.bin")), section("x", 5, 0x60).data);
}

}  // namespace
}  // namespace quillbox::cli
