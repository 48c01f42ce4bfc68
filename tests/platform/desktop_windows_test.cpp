// The Windows desktop and the core on Windows file names, against the real
// system (Wine in CI): its registry, processes, file attributes and shell, and
// files held open by another program. The tests run in the folder of the CLI
// and of msinfo\MSINFO32.EXE, a copy of it that plays the system information
// tool.

// own
#include "about/sys_info.h"
#include "saves/extract.h"
#include "saves/file_io.h"
#include "saves/open_save.h"
#include "shell/shell_open.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <filesystem>

#include <gtest/gtest.h>

#include <process.h>
#include <windows.h>

namespace quillbox::platform {
namespace {

namespace fs = std::filesystem;

// Values of up to 1024 bytes are read, longer and missing ones are not ("-");
// what is left of a failed read is the core's business, tested there.
// The PATH entry names the tool and wins; without it, the folder entry names
// its folder, which must hold MSINFO32.EXE. Texts reach Windows whole outside
// the ANSI code page: the tool lies in a folder named in Japanese, which the
// registry, the file test, the launcher and the shell all take.
TEST(Desktop, ReadsTheRegistryAndStartsTheToolItNamesInAJapaneseFolder)
{
    const testing::TempDir dir;
    const fs::path folder = dir.path() / L"msinfo \u65E5\u672C";
    fs::create_directory(folder);
    fs::copy_file("msinfo\\MSINFO32.EXE", folder / "MSINFO32.EXE");
    const std::string tool = saves::to_utf8(folder / "MSINFO32.EXE");
    const std::string tools = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    // Paths as the texts' carriers: Windows keeps them as UTF-16, with their zero.
    const auto set = [](const fs::path& key, const fs::path& name, const fs::path& text) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), REG_SZ,
                                  text.c_str(),
                                  static_cast<DWORD>((text.native().size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    };
    set(tools, "fits", std::string(1023, 'f'));
    set(tools, "long", std::string(1024, 'l'));
    set(tools, "PATH", folder / "MSINFO32.EXE");
    for (const auto& [key, name, read] : {std::tuple(tools, "fits", std::string(1023, 'f')),
                                          {tools, "long", "-"},
                                          {tools, "none", "-"},
                                          {"SOFTWARE\\No such key", "fits", "-"},
                                          {tools, "PATH", tool}}) {
        std::string text;
        EXPECT_EQ(
            about::GetKeyValue(native_desktop().registry, Registry::kLocalMachine, key, name, text)
                ? text
                : "-",
            read)
            << name;
    }
    EXPECT_EQ(about::StartSysInfo(native_desktop()), std::nullopt);
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, fs::path(tools).c_str(), L"PATH");
    const std::string location = "SOFTWARE\\Microsoft\\Shared Tools Location";
    set(location, "MSINFO", "C:\\nowhere");
    EXPECT_EQ(about::StartSysInfo(native_desktop()), about::kSysInfoUnavailable);
    set(location, "MSINFO", folder);  // the file test takes it: the tool starts
    EXPECT_EQ(about::StartSysInfo(native_desktop()), std::nullopt);
    EXPECT_GT(shell::ShellOpen(native_desktop().shell, tool), 32);
    EXPECT_LE(shell::ShellOpen(native_desktop().shell, "C:\\no such file.quillbox"), 32);
}

// Windows hands quillbox-cli.exe its arguments in UTF-16: names outside the
// ANSI code page must reach the system calls intact, and names in the save
// (Windows-1252) come out as the same characters. A target that another
// program holds open without sharing it for writing is named so, and no
// temporary is left beside it.
TEST(Files, NamesOutsideTheAnsiCodePageAndFilesInUse)
{
    testing::TempDir dir;
    const fs::path save = dir.path() / L"Spielstand ß 日本.psu";
    const testing::Section section = testing::section("icon \xFC.sys", 40);
    testing::write_file(save, testing::ems_save("D", {section}));
    const auto quoted = [](const fs::path& path) { return L"\"" + path.wstring() + L"\""; };
    EXPECT_EQ(_wspawnl(_P_WAIT, L"quillbox-cli.exe", L"quillbox-cli", L"extract-all",
                       quoted(save).c_str(), quoted(dir.path() / L"aus ö").c_str(), nullptr),
              0);
    const fs::path extracted = dir.path() / L"aus ö" / L"icon ü.sys";
    EXPECT_EQ(testing::read_file(extracted), section.data);

    saves::SaveState state;
    ASSERT_EQ(saves::open_save(state, saves::to_utf8(save)).kind, saves::OpenOutcome::Kind::loaded);
    const std::string target = saves::to_utf8(extracted);
    HANDLE held = CreateFileW(extracted.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(saves::extract_data(state, target).message,
              "The file \"" + target + "\" could not be written: it is in use by another program.");
    CloseHandle(held);
    EXPECT_EQ(std::distance(fs::directory_iterator(extracted.parent_path()), {}), 1);
}

}  // namespace
}  // namespace quillbox::platform
