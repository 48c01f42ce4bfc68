// own
#include "about/sys_info.h"
#include "support/fake_desktop.h"

// GoogleTest
#include <gtest/gtest.h>

// std
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <tuple>

namespace {

using namespace std::string_literals;
using Entry = std::optional<std::string>;

// The PATH entry names the tool: a string loses one terminating zero, a number
// becomes its digits (little-endian), another type leaves the text empty (""
// cannot start), a zero-byte value is an error. A missing PATH, or one of more
// than 1024 bytes, sends StartSysInfo to the folder entry: the folder of
// MSINFO32.EXE, which only "C:\Info" holds; without both, the desktop's own
// tool. "!" is the one message, any other is shown whole.
TEST(StartSysInfo, StartsTheToolTheRegistryNamesOnceOrSaysItCannot)
{
    const std::string a1024(1024, 'a');
    for (const auto& [name, type, path, folder, own_tool, expected] : std::initializer_list<
             std::tuple<const char*, std::uint32_t, Entry, Entry, Entry, std::string>>{
             // clang-format off
             {"path with its zero", 1, "D:\\m.exe\0"s, "C:\\Info", {}, "open close start D:\\m.exe"},
             {"path without", 1, "D:\\m.exe", {}, {}, "open close start D:\\m.exe"},
             {"1024 bytes", 1, a1024, {}, {}, "open close start " + a1024},
             {"1025 bytes", 1, a1024 + '\0', {}, {}, "open close open close !"},
             {"number", 4, "\x01\x02\0\0"s, {}, {}, "open close start 513"},
             {"other type", 3, "xy", {}, {}, "open close start  !"},
             {"empty", 1, "", "C:\\Info", {}, "open close !"},
             {"folder", 1, {}, "C:\\Info", {}, "open close open close start C:\\Info\\MSINFO32.EXE"},
             {"folder without the tool", 1, {}, "C:\\Empty", {}, "open close open close !"},
             {"the desktop's own", 1, {}, {}, "/bin/kinfocenter", "open close open close start /bin/kinfocenter"},
             // clang-format on
         }) {
        SCOPED_TRACE(name);
        quillbox::testing::FakeDesktop d;
        // An absent entry is a value of another name: both keys open and close.
        d.keys[R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)"][path ? "PATH" : "-"] = {
            type, path.value_or("")};
        d.keys[R"(SOFTWARE\Microsoft\Shared Tools Location)"][folder ? "MSINFO" : "-"] = {
            1, folder.value_or("")};
        d.own_tool = own_tool;
        const std::optional<std::string> message = quillbox::about::StartSysInfo(d.desktop);
        EXPECT_EQ(d.calls + (message == "System Information Is Unavailable At This Time"
                                 ? " !"
                                 : message.value_or("")),
                  expected);
    }
    // A key or value that is missing empties the text.
    quillbox::testing::FakeDesktop d;
    d.keys["K"];
    std::string key = "before", value = "before";
    EXPECT_FALSE(quillbox::about::GetKeyValue(d, d.kLocalMachine, "L", "V", key) ||
                 quillbox::about::GetKeyValue(d, d.kLocalMachine, "K", "V", value));
    EXPECT_EQ(key + value, "");
}

}  // namespace
