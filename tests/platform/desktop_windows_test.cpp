// The Windows desktop and the core on Windows file names, against the real
// system (Wine in CI): its registry, processes, file attributes and shell, and
// files held open by another program.

// own
#include "about/sys_info.h"
#include "saves/extract.h"
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
using testing::Bytes;

constexpr const char* kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

void set_value(const char* key, const char* name, DWORD type, const std::string& bytes)
{
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, type, bytes.data(),
                              static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

// The folder of this test, where the build puts the stand-in tool and the CLI.
fs::path bin()
{
    wchar_t self[MAX_PATH];
    return fs::path(std::wstring(self, GetModuleFileNameW(nullptr, self, MAX_PATH))).parent_path();
}

TEST(KeyValue, ReadsStringsAndNumbersUpTo1024BytesOrNothing)
{
    const struct {
        const char* key;
        const char* name;
        DWORD type;  // REG_NONE: not stored
        std::string bytes;
        std::string text;  // empty: GetKeyValue finds nothing
    } rows[] = {
        {kMsinfoKey, "zero", REG_SZ, std::string("C:\\x.exe") + '\0', "C:\\x.exe"},
        {kMsinfoKey, "nozero", REG_SZ, "C:\\tools", "C:\\tools"},
        {kMsinfoKey, "number", REG_DWORD, std::string("\x2A\x01\0\0", 4), "298"},
        {kMsinfoKey, "fits", REG_SZ, std::string(1023, 'f') + '\0', std::string(1023, 'f')},
        {kMsinfoKey, "long", REG_SZ, std::string(1025, 'l') + '\0', ""},
        {kMsinfoKey, "missing", REG_NONE, "", ""},
        {"SOFTWARE\\Quillbox\\No such key", "PATH", REG_NONE, "", ""},
    };
    for (const auto& row : rows) {
        if (row.type != REG_NONE) {
            set_value(row.key, row.name, row.type, row.bytes);
        }
        std::string text = "before";
        EXPECT_EQ(about::GetKeyValue(native_desktop().registry, Registry::kLocalMachine, row.key,
                                     row.name, text),
                  !row.text.empty())
            << row.name;
        EXPECT_EQ(text, row.text) << row.name;
    }
}

// The stand-in tool leaves a file named "started" beside itself. The PATH
// entry names the tool; without it, the folder entry names its folder.
TEST(SysInfo, StartsTheToolTheRegistryNames)
{
    testing::TempDir dir;
    const fs::path tool = dir.path() / "MSINFO32.EXE";
    fs::copy_file(bin() / "fake_msinfo32.exe", tool);
    // Polls for up to ten seconds: the tool runs on its own, and while it
    // runs it cannot be deleted.
    auto removed = [ec = std::error_code()](const fs::path& file) mutable {
        for (int i = 0; i < 200 && !fs::remove(file, ec); ++i) {
            Sleep(50);
        }
        return !fs::exists(file);
    };

    set_value(kMsinfoKey, "PATH", REG_SZ, tool.string());
    set_value("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", REG_SZ, "C:\\nowhere");
    EXPECT_EQ(about::StartSysInfo(native_desktop()), std::nullopt);
    EXPECT_TRUE(removed(dir.path() / "started"));

    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMsinfoKey, "PATH");
    set_value("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", REG_SZ, dir.path().string());
    EXPECT_EQ(about::StartSysInfo(native_desktop()), std::nullopt);
    EXPECT_TRUE(removed(dir.path() / "started"));

    ASSERT_TRUE(removed(tool));
    EXPECT_EQ(about::StartSysInfo(native_desktop()), about::kSysInfoUnavailable);
}

TEST(Files, APlainFileIsNeitherAFolderNorHiddenNorASystemFile)
{
    testing::TempDir dir;
    const std::string file = dir.file("f");
    testing::write_file(file, Bytes(1));
    for (const auto& [attributes, plain] :
         {std::pair<DWORD, bool>{FILE_ATTRIBUTE_READONLY, true}, {FILE_ATTRIBUTE_ARCHIVE, true},
          {FILE_ATTRIBUTE_HIDDEN, false}, {FILE_ATTRIBUTE_SYSTEM, false}}) {
        ASSERT_TRUE(SetFileAttributesA(file.c_str(), attributes));
        EXPECT_EQ(native_desktop().files.is_plain_file(file), plain) << attributes;
    }
    EXPECT_FALSE(native_desktop().files.is_plain_file(dir.path().string()));
}

TEST(Shell, ATargetNothingCanOpenIsReported)
{
    EXPECT_LE(shell::ShellOpen(native_desktop().shell, "C:\\no such file.quillbox"), 32);
}

// Windows hands quillbox-cli.exe its arguments in UTF-16; names outside the
// ANSI code page must reach the system calls intact, and names in the save
// (Windows-1252) must come out as the same characters in a new folder.
TEST(Cli, NamesOutsideTheAnsiCodePageOpenAndExtract)
{
    testing::TempDir dir;
    const fs::path save = dir.path() / L"Spielstand ß 日本.psu";
    const testing::Section section = testing::section("icon \xFC.sys", 40);
    testing::write_file(save, testing::ems_save("D", {section}));

    const auto quoted = [](const fs::path& path) { return L"\"" + path.wstring() + L"\""; };
    EXPECT_EQ(_wspawnl(_P_WAIT, (bin() / "quillbox-cli.exe").c_str(), L"quillbox-cli",
                       L"extract-all", quoted(save).c_str(), quoted(dir.path() / L"aus ö").c_str(),
                       nullptr),
              0);
    EXPECT_EQ(testing::read_file(dir.path() / L"aus ö" / L"icon ü.sys"), section.data);
}

// Another program holds a file open without sharing it for writing.
TEST(Saves, AFileInUseByAnotherProgramIsNamedSoAndLeftIntact)
{
    testing::TempDir dir;
    const std::string save = dir.file("held.psu");
    const std::string target = dir.file("held.bin");
    const testing::Section section = testing::section("a", 10);
    testing::write_file(save, testing::ems_save("D", {section}));
    testing::write_file(target, Bytes(3, 0x11));

    saves::SaveState state;
    HANDLE held = CreateFileA(save.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(saves::open_save(state, save).message,
              "The save \"" + save + "\" could not be read: it is in use by another program.");
    CloseHandle(held);

    ASSERT_EQ(saves::open_save(state, save).kind, saves::OpenOutcome::Kind::loaded);
    held = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr);
    EXPECT_EQ(saves::extract_data(state, target).message,
              "The file \"" + target + "\" could not be written: it is in use by another program.");
    CloseHandle(held);
    EXPECT_EQ(testing::read_file(target), Bytes(3, 0x11));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);  // no temporary left

    // Released, it is replaced: a rename over an existing file.
    EXPECT_EQ(saves::extract_data(state, target).kind, saves::ExtractOutcome::Kind::written);
    EXPECT_EQ(testing::read_file(target), section.data);
}

}  // namespace
}  // namespace quillbox::platform
