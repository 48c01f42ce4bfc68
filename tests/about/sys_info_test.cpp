// own
#include "about/sys_info.h"
#include "support/fake_desktop.h"

// GoogleTest
#include <gtest/gtest.h>

// std
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace about = quillbox::about;
using quillbox::testing::FakeDesktop;
using quillbox::testing::FakeRegistry;
using namespace std::string_view_literals;

namespace {

struct Case {
    const char* name;
    std::optional<std::string_view> path;    // the PATH entry's bytes
    std::optional<std::string_view> folder;  // the folder entry's: MSINFO32.EXE is in "C:\Info"
    bool launch_succeeds;
    const char* outcome;  // the programs started, then "!" for the message, then keys opened
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::string kLong(1024, 'a');

class StartSysInfoTest : public ::testing::TestWithParam<Case> {};

TEST_P(StartSysInfoTest, StartsTheToolOnceOrSaysItCannot)
{
    const Case& c = GetParam();
    FakeDesktop d;
    auto& keys = d.registry.keys;
    if (c.path) {
        keys["SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"]["PATH"] = {1, std::string(*c.path)};
    }
    if (c.folder) {
        keys["SOFTWARE\\Microsoft\\Shared Tools Location"]["MSINFO"] = {1, std::string(*c.folder)};
    }
    d.files.plain = {"C:\\Info\\MSINFO32.EXE"};
    d.launcher.succeeds = c.launch_succeeds;
    if (c.name == std::string_view("NoRegistryDesktopTool")) {
        d.launcher.own_tool = "/bin/kinfocenter";
    }

    const std::optional<std::string> message = about::StartSysInfo(d.desktop);
    std::string outcome;
    for (const std::string& program : d.launcher.started) {
        outcome += program + ' ';
    }
    outcome += (message ? "! " : "") + std::to_string(d.registry.opened.size());
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_TRUE(!message || *message == about::kSysInfoUnavailable);
    EXPECT_EQ(d.registry.open_count, 0);
}

// A terminating zero counts in the size; 1025 bytes are too many; a zero
// size is an error; the folder entry is read only when PATH is missing.
INSTANTIATE_TEST_SUITE_P(
    Cases, StartSysInfoTest,
    ::testing::Values(
        Case{"PathWithZero", "D:\\m.exe\0"sv, "C:\\Info"sv, true, "D:\\m.exe 1"},
        Case{"PathWithoutZero", "D:\\m.exe"sv, "C:\\Info"sv, true, "D:\\m.exe 1"},
        Case{"FolderWithTool", {}, "C:\\Info\0"sv, true, "C:\\Info\\MSINFO32.EXE 2"},
        Case{"FolderWithoutTool", {}, "C:\\Empty"sv, true, "! 2"},
        Case{"LaunchFails", "D:\\m.exe"sv, {}, false, "D:\\m.exe ! 1"},
        Case{"ZeroSize", ""sv, "C:\\Info"sv, true, "! 1"},
        Case{"NoRegistryDesktopTool", {}, {}, true, "/bin/kinfocenter 2"},
        Case{"NoRegistryNoTool", {}, {}, true, "! 2"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(GetKeyValue, LimitsAndTypes)
{
    FakeRegistry registry;
    registry.keys["K"] = {{"1024", {1, kLong}}, {"1025", {1, kLong + '\0'}},
                          {"N", {4, {'\x01', '\x02', 0, 0}}}, {"Bin", {3, "xy"}}};
    const auto value = [&](const char* name) {
        std::string text = "in";
        const bool read = about::GetKeyValue(registry, registry.kLocalMachine, "K", name, text);
        return (read ? "" : "missing:") + text;
    };
    EXPECT_EQ(value("1024"), kLong);
    EXPECT_EQ(value("1025"), "missing:");
    EXPECT_EQ(value("N"), "513");  // little-endian 0x0201, its zero high byte trimmed
    EXPECT_EQ(value("Bin"), "in");
    EXPECT_EQ(registry.open_count, 0);
}

}  // namespace
