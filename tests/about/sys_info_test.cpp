// own
#include "about/sys_info.h"
#include "support/fake_desktop.h"

// GoogleTest
#include <gtest/gtest.h>

// std
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace about = quillbox::about;
using namespace std::string_view_literals;

namespace {

struct Case {
    const char* name;
    std::optional<std::string_view> path;    // the PATH entry's bytes
    std::optional<std::string_view> folder;  // the folder entry's: MSINFO32.EXE is in "C:\Info"
    bool launch_succeeds;
    const char* outcome;  // the programs started, then "!" for the message, then keys opened
    std::uint32_t type = 1;  // the PATH entry's
};

// The row's name, not its bytes, in the test's name.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class StartSysInfoTest : public ::testing::TestWithParam<Case> {};

TEST_P(StartSysInfoTest, StartsTheToolOnceOrSaysItCannot)
{
    const Case& c = GetParam();
    quillbox::testing::FakeDesktop d;
    auto& keys = d.keys;
    if (c.path) {
        keys[R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)"]["PATH"] = {c.type, std::string(*c.path)};
    }
    if (c.folder) {
        keys[R"(SOFTWARE\Microsoft\Shared Tools Location)"]["MSINFO"] = {1, std::string(*c.folder)};
    }
    d.succeeds = c.launch_succeeds;
    if (c.name == "NoRegistryDesktopTool"sv) {
        d.own_tool = "/bin/kinfocenter";
    }

    const std::optional<std::string> message = about::StartSysInfo(d.desktop);
    std::string outcome;
    for (const std::string& program : d.started) {
        outcome += program + ' ';
    }
    outcome += (message ? "! " : "") + std::to_string(d.opened.size());
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_TRUE(!message || *message == about::kSysInfoUnavailable);
    EXPECT_EQ(d.open_count, 0);
}

// A terminating zero counts in the size; a zero size is an error; the folder
// entry is read only when PATH is missing. A number becomes its digits
// (little-endian, the zero high byte trimmed); another type leaves no path.
INSTANTIATE_TEST_SUITE_P(
    Cases, StartSysInfoTest,
    ::testing::Values(
        Case{"PathWithZero", "D:\\m.exe\0"sv, "C:\\Info"sv, true, "D:\\m.exe 1"},
        Case{"PathWithoutZero", "D:\\m.exe"sv, "C:\\Info"sv, true, "D:\\m.exe 1"},
        Case{"FolderWithTool", {}, "C:\\Info\0"sv, true, "C:\\Info\\MSINFO32.EXE 2"},
        Case{"FolderWithoutTool", {}, "C:\\Empty"sv, true, "! 2"},
        Case{"LaunchFails", "D:\\m.exe"sv, {}, false, "D:\\m.exe ! 1"},
        Case{"ZeroSize", ""sv, "C:\\Info"sv, true, "! 1"},
        Case{"Number", "\x01\x02\0\0"sv, {}, true, "513 1", 4},
        Case{"Binary", "xy"sv, {}, false, " ! 1", 3},
        Case{"NoRegistryDesktopTool", {}, {}, true, "/bin/kinfocenter 2"},
        Case{"NoRegistryNoTool", {}, {}, true, "! 2"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(GetKeyValue, ReadsUpTo1024Bytes)
{
    quillbox::testing::FakeDesktop d;
    const std::string a1024(1024, 'a');
    d.keys["K"] = {{"1024", {1, a1024}}, {"1025", {1, a1024 + '\0'}}};
    std::string text;
    EXPECT_TRUE(about::GetKeyValue(d, d.kLocalMachine, "K", "1024", text) && text == a1024);
    EXPECT_FALSE(about::GetKeyValue(d, d.kLocalMachine, "K", "1025", text) || !text.empty());
}

}  // namespace
