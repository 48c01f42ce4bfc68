// own
#include "archive/archive.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "cli/output_folder.h"
#include "quillbox/version.h"
#include "saves/codepage.h"
#include "saves/file_io.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <sstream>

#include <gtest/gtest.h>

namespace quillbox::cli {
namespace {

using namespace quillbox::testing;
namespace fs = std::filesystem;

const TempDir kDir;

// The UTF-8 path of `names` in the test's folder, as the CLI prints it.
template <class... Names>
std::string at(const Names&... names)
{
    fs::path path = kDir.path();
    ((path /= saves::to_path(names)), ...);
    return saves::to_utf8(path);
}

std::string save(const std::string& name, const Bytes& content)
{
    fs::create_directories(saves::to_path(at(name)).parent_path());
    write_file(saves::to_path(at(name)), content);
    return at(name);
}

const Bytes kMine = {'m', 'i', 'n', 'e'};  // the user's own file

const std::string kTooLong =
    "An error has occured, the save contains a filename larger than 31 characters and may be "
    "corrupt.\nPlease contact varnel and include the save your were working with.\n";

struct Row {
    std::string name;
    std::vector<std::string> args;
    int status;
    std::string out, err;
    std::vector<std::pair<std::string, Bytes>> files = {};  // their contents afterwards
    std::string absent = {};                                // nothing written there
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const Section kIcon = section("icon.sys", 964), kX = section("x", 5, 0x60);

std::vector<Row> rows()
{
    const std::string ems = save("e.psu", ems_save("BASLUS", {kIcon, kX}));
    const std::string v1 = save("v1.xps", xport_save("D", {}, with_variant(1)));
    const std::string xps = save("j.xps", xport_save("DIR", {section("a\"b", 3)}, {0, "", "", ""}));
    const Section too_long = section(std::string(32, 'n'), 1);
    const std::string long_name = save("l.psu", ems_save("D", {section("ok", 2), too_long}));
    const std::string long_first = save("l1.psu", ems_save("D", {too_long}));
    const std::string gone = at("gone.psu");
    const std::string missing =
        "The save \"" + gone + "\" could not be read: the file does not exist.\n";
    Bytes corrupt = ems_save("D", {section("a", 1)});
    put_u32(corrupt, 1540, 0xFFFFFFFFU);  // a length that carries the next entry past 2^31
    Bytes cut_short = ems_save("D", {section("a", 100)});
    cut_short.resize(2098);
    const std::string cut = save("cut.psu", cut_short);
    // After a change to the help: quillbox-cli --help >tests/cli/help.expected
    const Bytes help_file = read_file(QUILLBOX_CLI_TESTS "/help.expected");
    const std::string help(help_file.begin(), help_file.end());
    const std::string usage = help.substr(0, help.find("\n\n") + 1);
    const std::string usage_extract = "Usage: quillbox-cli extract SAVE SLOT OUTPUT\n";
    std::string xps_json =
        R"({"txtload": )" + json_text(xps) +
        R"(, "txttype": "xv2", "txtvalidxps": "True", )"
        R"("txttempvar": "0", "txttempvar3": "790", "directory": "DIR", "message": null, )"
        R"("slots": [{"caption": "a\"b", "enabled": true, "selected": true, "start": "537", )"
        R"("length": "3"}, {"caption": "", "enabled": false, "selected": false, "start": "790", )"
        R"("length": "0"})";
    for (int i = 2; i < 18; ++i) {
        xps_json +=
            R"(, {"caption": "", "enabled": false, "selected": false, "start": "", "length": ""})";
    }
    xps_json += "]}\n";
    const std::string not_a_save = save("mine.max", kMine);
    const std::string limit = save("limit.cbs", {}), big = save("big.cbs", {});
    fs::resize_file(saves::to_path(limit), archive::kSizeLimit);
    fs::resize_file(saves::to_path(big), archive::kSizeLimit + 1);
    const archive::File a{{"a", {}, {}, {}, {}}, {1}}, upper_a{{"A", {}, {}, {}, {}}, {2}};
    Bytes cut_psu = *archive::write_psu(
        {archive::Format::max, {"../F", {}, {}, {}, {}}, {a, upper_a}}, {0, 1, 2, 3, 4, 5, 2006});
    const std::string psu = save("a.psu", cut_psu);
    const std::string when = "2006-05-04 03:02:01\t2006-05-04 03:02:01";
    const std::string when_json =
        R"("created": "2006-05-04 03:02:01", "modified": "2006-05-04 03:02:01")";
    cut_psu.resize(2048);
    Bytes long_xport = xport();
    put_text(long_xport, 45, std::string(33, 'n'));
    // Under Wine, as on Windows, these are one file unless the second gets a name of its own.
    const Section upper = section("ICON.SYS", 10, 1), lower = section("icon.sys", 20, 2);
    const std::string cased = save("case.psu", ems_save("D", {upper, lower}));
    save("kept/icon.sys", kMine);
    save("u/.._F/a", kMine);
    save("f/icon.sys", kMine);
    const std::string not_a_save_message = "This is not a PS2 save in a container Quillbox reads "
                                           "(EMS, X-Port or SharkPort, Action Replay MAX, "
                                           "CodeBreaker, PS3 PSV).";
    const auto left_alone = [](const std::string& path) {
        return "\"" + path + "\" already exists; it was left alone (--force replaces it).\n";
    };
    const std::string past_the_end = "The section runs past the end of the save: it needs bytes "
                                     "2048 to 2148, but the save holds 2098 bytes. Nothing was "
                                     "extracted.\n";
    // clang-format off
    return {
        {"list", {"list", ems}, 0, "Directory: BASLUS\n0\ticon.sys\t2048\t964\n1\tx\t3584\t5\n", ""},
        {"list_xport", {"list", xps}, 0, "DIR\n0\ta\"b\t537\t3\n", ""},
        {"list_name_too_long", {"list", long_name}, 1, "Directory: D\n0\tok\t2048\t2\n", kTooLong},
        {"list_missing_save", {"list", gone}, 2, "", missing},
        {"list_json_after_the_save", {"list", xps, "--json"}, 0, xps_json, ""},
        {"list_json_corrupt", {"list", "--json", save("c.psu", corrupt)}, 2, "{\"error\": \"An error has occured, the save may be corrupt.\\r\\nPlease contact varnel and include the save your were working with.\"}\n", ""},
        {"extract", {"extract", ems, "01", at("x.bin")}, 0, "", "", {{at("x.bin"), kX.data}}},
        {"extract_slot_010_is_ten", {"extract", ems, "010", at("no.bin")}, 1, "", "Slot 10 is not in use in this save; nothing was extracted.\n"},
        {"extract_past_the_end", {"extract", cut, "0", at("no.bin")}, 1, "", past_the_end},
        {"extract_xport_v1", {"extract", v1, "0", at("no.bin")}, 1, "", "Save file is an Xport V1 save with the V2 header and extension, it contains no icon data\nPlease load a save first\n"},
        {"extract_slot_18", {"extract", ems, "18", at("no.bin")}, 2, "", "quillbox-cli: SLOT: \"18\" is not a slot; slots are 0 to 17\n" + usage_extract},
        {"extract_slot_not_a_number", {"extract", ems, "1x", at("no.bin")}, 2, "", "quillbox-cli: SLOT: \"1x\" is not a slot; slots are 0 to 17\n" + usage_extract},
        {"extract_empty_output", {"extract", ems, "1", ""}, 2, "", "quillbox-cli: OUTPUT: must not be empty\n" + usage_extract},
        {"two_commands", {"list", ems, "extract", "x"}, 2, "", "quillbox-cli: The following arguments were not expected: extract x\nUsage: quillbox-cli list [--json] SAVE\n"},
        {"extract_all_leaves_the_users_file", {"extract-all", ems, at("kept")}, 3, at("kept", "x") + "\n", "Slot 0 (icon.sys): " + left_alone(at("kept", "icon.sys")), {{at("kept", "icon.sys"), kMine}, {at("kept", "x"), kX.data}}},
        {"extract_all_force_after_the_save", {"extract-all", ems, at("f"), "--force"}, 0, at("f", "icon.sys") + "\n" + at("f", "x") + "\n", "", {{at("f", "icon.sys"), kIcon.data}}},
        {"extract_all_names_cased_alike", {"extract-all", cased, at("case")}, 0, at("case", "ICON.SYS") + "\n" + at("case", "icon.sys_2") + "\n", "", {{at("case", "ICON.SYS"), upper.data}, {at("case", "icon.sys_2"), lower.data}}},
        {"extract_all_stops_at_a_long_name", {"extract-all", long_name, at("l")}, 3, at("l", "ok") + "\n", kTooLong},
        {"extract_all_long_name_first", {"extract-all", long_first, at("l1")}, 1, "", kTooLong},
        {"extract_all_past_the_end", {"extract-all", cut, at("cut")}, 1, "", "Slot 0 (a): " + past_the_end},
        {"info", {"info", psu}, 0, "Container: EMS\nFolder: ../F\t0x8427\t" + when + "\nTitle: -\nFiles: 2\na\t1\t0x8497\t" + when + "\nA\t1\t0x8497\t" + when + "\n", ""},
        {"info_json", {"info", "--json", psu}, 0, R"({"format": "ems", "folder": "../F", "title": null, "mode": 33831, )" + when_json + R"(, "files": [{"name": "a", "size": 1, "mode": 33943, )" + when_json + R"(}, {"name": "A", "size": 1, "mode": 33943, )" + when_json + "}]}\n", ""},
        {"info_json_not_a_save", {"info", "--json", not_a_save}, 1, "{\"error\": \"" + not_a_save_message + "\"}\n", ""},
        {"unpack_names_made_safe_leaves_the_users_file", {"unpack", psu, at("u")}, 3, at("u", ".._F", "A_2") + "\n", "File 1 (a): " + left_alone(at("u", ".._F", "a")), {{at("u", ".._F", "a"), kMine}, {at("u", ".._F", "A_2"), {2}}}},
        {"unpack_cut_short", {"unpack", save("cut.max", cut_psu), at("no_folder")}, 1, "", "The EMS save is cut short: the data of file 1 needs bytes 2048 to 2048, but the file has only 2048 bytes.\n", {}, at("no_folder")},
        {"convert_of_32_mib", {"convert", limit, at("limit.psu")}, 1, "", not_a_save_message + "\n", {}, at("limit.psu")},
        {"convert_over_32_mib", {"convert", big, at("big.psu")}, 1, "", "The save \"" + big + "\" has 33554433 bytes, more than the 32 MiB limit for a save.\n", {}, at("big.psu")},
        {"convert_name_too_long", {"convert", save("n.xps", long_xport), at("n.psu")}, 1, "", "The folder's name has 33 bytes; an EMS save holds names of at most 32. Nothing was written.\n", {}, at("n.psu")},
        {"convert_leaves_the_users_file", {"convert", psu, at("kept", "icon.sys")}, 1, "", left_alone(at("kept", "icon.sys")), {{at("kept", "icon.sys"), kMine}}},
        {"convert_into_a_missing_folder", {"convert", psu, at("none", "x.psu")}, 2, "", "The file \"" + at("none", "x.psu") + "\" could not be written: its folder does not exist.\n", {}, at("none")},
        {"version", {"--version"}, 0, std::string("quillbox-cli ") + version::text + "\n", ""},
        {"help", {"--help"}, 0, help, ""},
        {"no_command", {}, 2, "", "quillbox-cli: a command is required\n" + usage},
        {"unknown_command", {"frobnicate", "x"}, 2, "", "quillbox-cli: \"frobnicate\" is not a command\n" + usage},
    };
    // clang-format on
}

class Cli : public ::testing::TestWithParam<Row> {};

TEST_P(Cli, Run)
{
    const Row& row = GetParam();
    std::ostringstream out, err;
    EXPECT_EQ(run(row.args, out, err), row.status);
    EXPECT_EQ(out.str(), row.out);
    EXPECT_EQ(err.str(), row.err);
    for (const auto& [path, content] : row.files) {
        EXPECT_EQ(read_file(saves::to_path(path)), content) << path;
    }
    EXPECT_TRUE(row.absent.empty() || !fs::exists(saves::to_path(row.absent))) << row.absent;
}

INSTANTIATE_TEST_SUITE_P(Rows, Cli, ::testing::ValuesIn(rows()),
                         [](const auto& row) { return row.param.name; });

// As the CLI writes JSON: its layout, and strings as UTF-8, escaped where JSON
// must be; captions come decoded from Windows-1252, and any invalid UTF-8 (a
// path can hold it) becomes U+FFFD rather than an exception.
TEST(Json, Text)
{
    // clang-format off
    const std::vector<std::tuple<const char*, Json, std::string>> rows = {
        {"controls", "\x01\x1f\n\r\t\b\f", R"("\u0001\u001f\n\r\t\b\f")"},
        {"quotes and backslash", "a\"b\\", R"("a\"b\\")"},
        {"non-ASCII", "\x7f\u00e9\u65e5", "\"\x7f\u00e9\u65e5\""},
        {"invalid UTF-8", "a\xff\xc3", "\"a\ufffd\ufffd\""},
        {"Windows-1252 caption", saves::cp1252_to_utf8("\x80\x81\xe9\xff"), "\"\u20ac\u0081\u00e9\u00ff\""},
        {"layout", {{"a", {1, true, nullptr}}, {"b", Json::object()}}, R"({"a": [1, true, null], "b": {}})"},
    };
    // clang-format on
    for (const auto& [name, value, text] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(json_text(value), text);
    }
}

// Names for the files of one folder: made safe, and never two that a
// case-insensitive file system takes for one.
TEST(OutputNames, Take)
{
    using Names = std::vector<std::string>;
    // clang-format off
    const std::vector<std::tuple<const char*, Names, Names>> rows = {
        {"the same once made safe", {"a/b", "a_b", "a:b"}, {"a_b", "a_b_2", "a_b_3"}},
        {"names that collide once cased alike", {"ICON.SYS", "icon.sys", "Icon.Sys", "icon.sys_2", "AZ", "az"}, {"ICON.SYS", "icon.sys_2", "Icon.Sys_3", "icon.sys_2_2", "AZ", "az_2"}},
        {"CON and con made safe", {"CON", "con", "Con.txt"}, {"_CON", "_con_2", "_Con.txt"}},
        {"Latin-1 letters; others not folded", {"\u00c0\u00de\u0160\u0152\u017d\u0178", "\u00e0\u00fe\u0161\u0153\u017e\u00ff", "\u00d7\u00df", "\u00f7\u00df", "\u0100", "\u0101", "\u0200", "\u3041", "\u3841"}, {"\u00c0\u00de\u0160\u0152\u017d\u0178", "\u00e0\u00fe\u0161\u0153\u017e\u00ff_2", "\u00d7\u00df", "\u00f7\u00df", "\u0100", "\u0101", "\u0200", "\u3041", "\u3841"}},
    };
    // clang-format on
    for (const auto& [name, given, taken] : rows) {
        SCOPED_TRACE(name);
        OutputNames names;
        Names actual;
        for (const std::string& n : given) {
            actual.push_back(names.take(n));
        }
        EXPECT_EQ(actual, taken);
    }
}

}  // namespace
}  // namespace quillbox::cli
