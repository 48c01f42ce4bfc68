// The Windows desktop and the core on Windows file names, against the real
// system (Wine in CI): its registry, processes, file attributes and shell, and
// files held open by another program.

// own
#include "about/sys_info.h"
#include "platform/desktop.h"
#include "saves/extract.h"
#include "saves/file_io.h"
#include "saves/open_save.h"
#include "shell/shell_open.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace quillbox::platform {
namespace {

namespace fs = std::filesystem;
using saves::to_path;
using saves::to_utf8;
using testing::Bytes;

constexpr const char* kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

Desktop& desktop()
{
    return native_desktop();
}

// Writes a value of `type` holding exactly `bytes` under HKEY_LOCAL_MACHINE.
void set_value(const char* key_path, const char* name, DWORD type, const std::string& bytes)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

struct Stored {
    const char* name;
    DWORD type;
    std::string bytes;
    bool found;
    std::string text;  // what GetKeyValue makes of it
};

class RegistryRead : public ::testing::TestWithParam<Stored> {};

TEST_P(RegistryRead, GivesTheStoredBytesAndTypeOrNothing)
{
    const Stored& v = GetParam();
    set_value(kMsinfoKey, v.name, v.type, v.bytes);
    Registry& registry = desktop().registry;
    const std::optional<Registry::Key> key =
        registry.open(Registry::kLocalMachine, kMsinfoKey, Registry::kKeyRead);
    ASSERT_TRUE(key);
    std::vector<std::uint8_t> buffer(1024);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(registry.query(*key, v.name, buffer, type, size), v.found);
    if (v.found) {
        EXPECT_EQ(type, v.type);
        // Wine adds the terminating zero that a string was stored without.
        const std::string read(buffer.begin(), buffer.begin() + size);
        EXPECT_TRUE(read == v.bytes || (v.type == REG_SZ && read == v.bytes + '\0')) << read;
    }
    EXPECT_FALSE(registry.query(*key, "no such value", buffer, type, size));
    registry.close(*key);

    std::string text = "before";
    EXPECT_EQ(about::GetKeyValue(registry, Registry::kLocalMachine, kMsinfoKey, v.name, text),
              v.found);
    EXPECT_EQ(text, v.text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryRead,
    ::testing::Values(
        Stored{"zero", REG_SZ, std::string("C:\\a b\\x.exe") + '\0', true, "C:\\a b\\x.exe"},
        Stored{"nozero", REG_SZ, "C:\\tools", true, "C:\\tools"},
        Stored{"number", REG_DWORD, std::string("\x2A\x01\0\0", 4), true, "298"},
        Stored{"fits", REG_SZ, std::string(1023, 'f') + '\0', true, std::string(1023, 'f')},
        Stored{"long", REG_SZ, std::string(1025, 'l') + '\0', false, ""}),
    [](const ::testing::TestParamInfo<Stored>& value) { return std::string(value.param.name); });

TEST(Registry, AMissingKeyDoesNotOpen)
{
    const char* missing = "SOFTWARE\\Quillbox\\No such key";
    EXPECT_FALSE(desktop().registry.open(Registry::kLocalMachine, missing, Registry::kKeyRead));
    std::string text = "before";
    EXPECT_FALSE(
        about::GetKeyValue(desktop().registry, Registry::kLocalMachine, missing, "PATH", text));
    EXPECT_EQ(text, "");
}

// The tool that plays MSINFO32.EXE leaves a file named "started" beside itself.
class Programs : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t self[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
        bin_ = fs::path(std::wstring(self, length)).parent_path();
        fs::copy_file(bin_ / "fake_msinfo32.exe", dir_.path() / "MSINFO32.EXE");
    }
    // A program still running cannot be deleted: wait for it to end, so the
    // folder goes with the test.
    void TearDown() override
    {
        std::error_code ec;
        for (int i = 0; i < 200 && fs::exists(dir_.path() / "MSINFO32.EXE"); ++i) {
            fs::remove(dir_.path() / "MSINFO32.EXE", ec);
            Sleep(50);
        }
    }
    bool started() const
    {
        for (int i = 0; i < 200 && !fs::exists(dir_.path() / "started"); ++i) {
            Sleep(50);
        }
        return fs::exists(dir_.path() / "started");
    }

    testing::TempDir dir_;
    fs::path bin_;
};

TEST_F(Programs, LauncherStartsAProgramAndDoesNotWait)
{
    EXPECT_TRUE(desktop().launcher.start(dir_.file("MSINFO32.EXE")));
    EXPECT_TRUE(started());
    EXPECT_FALSE(desktop().launcher.start(dir_.file("missing.exe")));
    EXPECT_FALSE(desktop().launcher.start(""));
}

// The registry's PATH entry names the tool; without it, the folder entry
// names the tool's folder.
TEST_F(Programs, StartSysInfoStartsTheToolTheRegistryNames)
{
    set_value(kMsinfoKey, "PATH", REG_SZ, dir_.file("MSINFO32.EXE"));
    set_value(kLocationKey, "MSINFO", REG_SZ, "C:\\nowhere");
    EXPECT_EQ(about::StartSysInfo(desktop()), std::nullopt);
    EXPECT_TRUE(started());

    fs::remove(dir_.path() / "started");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMsinfoKey, "PATH");
    set_value(kLocationKey, "MSINFO", REG_SZ, dir_.path().string());
    EXPECT_EQ(about::StartSysInfo(desktop()), std::nullopt);
    EXPECT_TRUE(started());

    fs::create_directory(dir_.path() / "empty");
    set_value(kLocationKey, "MSINFO", REG_SZ, dir_.file("empty"));
    EXPECT_EQ(about::StartSysInfo(desktop()), about::kSysInfoUnavailable);
}

TEST_F(Programs, PlainFilesAreNeitherFoldersNorHiddenNorSystemFiles)
{
    const std::vector<std::pair<DWORD, bool>> cases = {
        {FILE_ATTRIBUTE_NORMAL, true}, {FILE_ATTRIBUTE_READONLY, true},
        {FILE_ATTRIBUTE_ARCHIVE, true}, {FILE_ATTRIBUTE_HIDDEN, false},
        {FILE_ATTRIBUTE_SYSTEM, false},
    };
    for (const auto& [attributes, plain] : cases) {
        const std::string file = dir_.file("MSINFO32.EXE");
        ASSERT_TRUE(SetFileAttributesA(file.c_str(), attributes));
        EXPECT_EQ(desktop().files.is_plain_file(file), plain) << attributes;
    }
    SetFileAttributesA(dir_.file("MSINFO32.EXE").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(desktop().files.is_plain_file(dir_.path().string()));
    EXPECT_FALSE(desktop().files.is_plain_file(dir_.file("missing.exe")));
    EXPECT_FALSE(desktop().files.is_plain_file(""));
}

TEST_F(Programs, ShellOpenReportsATargetNothingCanOpen)
{
    testing::write_file(dir_.path() / "x.quillbox-nothing-opens-this", Bytes(1));
    EXPECT_LE(shell::ShellOpen(desktop().shell, dir_.file("x.quillbox-nothing-opens-this")), 32);
    EXPECT_LE(shell::ShellOpen(desktop().shell, dir_.file("missing.txt")), 32);
}

// quillbox-cli.exe run as a program, with its arguments in UTF-16 as
// Windows passes them; returns its exit status.
DWORD run_cli(const fs::path& bin, const std::wstring& arguments)
{
    std::wstring command = L"\"" + (bin / "quillbox-cli.exe").wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 255;
    }
    WaitForSingleObject(process.hProcess, 30000);
    DWORD status = 255;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

TEST_F(Programs, NamesOutsideTheAnsiCodePageOpenAndExtract)
{
    const std::string folder = to_utf8(dir_.path()) + "\\Spielstände 日本";
    const std::string save = folder + "\\Rez ß.psu";
    fs::create_directory(to_path(folder));
    // Names in saves are Windows-1252.
    const testing::Section section = testing::section("icon \xFC.sys", 40);
    testing::write_file(to_path(save), testing::ems_save("D", {section}));

    saves::SaveState state;
    EXPECT_EQ(saves::open_save(state, save).kind, saves::OpenOutcome::Kind::loaded);
    EXPECT_EQ(state.txtload, save);
    EXPECT_EQ(saves::extract_data(state, folder + "\\ä.bin").kind,
              saves::ExtractOutcome::Kind::written);
    EXPECT_EQ(testing::read_file(to_path(folder + "\\ä.bin")), section.data);

    const fs::path out = to_path(folder) / L"aus ö";
    const std::wstring arguments =
        L"extract-all \"" + to_path(save).wstring() + L"\" \"" + out.wstring() + L"\"";
    EXPECT_EQ(run_cli(bin_, arguments), 0U);
    EXPECT_EQ(testing::read_file(out / L"icon ü.sys"), section.data);
}

// Another program holds a file open without sharing it: the message says so.
TEST_F(Programs, AFileInUseByAnotherProgramIsNamedSo)
{
    const std::string save = dir_.file("held.psu");
    const testing::Section section = testing::section("a", 10);
    testing::write_file(save, testing::ems_save("D", {section}));
    const std::string target = dir_.file("held.bin");
    testing::write_file(target, Bytes(3, 0x11));

    const auto hold = [](const std::string& path, DWORD share) {
        return CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    HANDLE held = hold(save, 0);
    saves::SaveState state;
    const saves::OpenOutcome refused = saves::open_save(state, save);
    EXPECT_EQ(refused.message,
              "The save \"" + save + "\" could not be read: it is in use by another program.");
    CloseHandle(held);

    ASSERT_EQ(saves::open_save(state, save).kind, saves::OpenOutcome::Kind::loaded);
    held = hold(target, FILE_SHARE_READ);
    const saves::ExtractOutcome r = saves::extract_data(state, target);
    EXPECT_EQ(r.message,
              "The file \"" + target + "\" could not be written: it is in use by another program.");
    CloseHandle(held);
    EXPECT_EQ(testing::read_file(target), Bytes(3, 0x11));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), {}), 3);  // nothing left beside it

    EXPECT_EQ(saves::extract_data(state, target).kind, saves::ExtractOutcome::Kind::written);
    EXPECT_EQ(testing::read_file(target), section.data);
}

}  // namespace
}  // namespace quillbox::platform
