#pragma once

// What only the desktop can do, each behind a small interface so that the
// windows and routines above can be tested with fakes. Free of Qt: the
// Windows side is plain Win32 C++. Every text here, paths and registry
// names included, is UTF-8; Windows is given UTF-16.

// std
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillbox::platform {

// One registry value, read as the three advapi32 calls do it.
class Registry {
public:
    using Key = std::uintptr_t;                         // an open key's handle
    static constexpr Key kLocalMachine = 0x80000002;    // HKEY_LOCAL_MACHINE
    static constexpr std::uint32_t kKeyRead = 0x20019;  // KEY_READ
    static constexpr std::uint32_t kString = 1;         // REG_SZ
    static constexpr std::uint32_t kNumber = 4;         // REG_DWORD

    Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    virtual ~Registry() = default;

    // RegOpenKeyEx: the key at `path` under `root`, with the access rights
    // `access`; nothing when it cannot be opened.
    virtual std::optional<Key> open(Key root, const std::string& path, std::uint32_t access) = 0;
    // RegQueryValueEx: copies the value's bytes into `buffer` and reports its
    // type and the number of bytes copied in `size`. A text value (types 1, 2
    // and 7) comes as UTF-8, ending in a zero byte when it was stored with its
    // terminating zero; any other value as stored. False when the value does
    // not exist or needs more than buffer.size() bytes.
    virtual bool query(Key key, const std::string& name, std::span<std::uint8_t> buffer,
                       std::uint32_t& type, std::uint32_t& size) = 0;
    // RegCloseKey.
    virtual void close(Key key) = 0;
};

// Starting another program.
class Launcher {
public:
    Launcher() = default;
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;
    virtual ~Launcher() = default;

    // Starts `program` (a full path) in a new process with a normal window
    // that takes the focus, without waiting for it. False when it could not
    // be started.
    virtual bool start(const std::string& program) = 0;
    // The full path of a system information program of this desktop's own,
    // for systems whose registry names none; nothing when there is none.
    // Windows names its tool in the registry and has none besides.
    virtual std::optional<std::string> system_information_tool() { return std::nullopt; }
};

// Questions about files that the standard library cannot answer everywhere.
class Files {
public:
    Files() = default;
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;
    virtual ~Files() = default;

    // True when `path` names an existing file that is not a folder, not
    // hidden and not a system file.
    virtual bool is_plain_file(const std::string& path) = 0;
};

// The desktop shell: opening a document or web address with the user's
// default program for it.
class Shell {
public:
    static constexpr int kShowNormal = 1;  // SW_SHOWNORMAL

    Shell() = default;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;
    virtual ~Shell() = default;

    // ShellExecute with the desktop window as owner. Returns the shell's
    // value under its convention: greater than 32 on success.
    virtual std::int32_t execute(const std::string& operation, const std::string& target,
                                 const std::string& parameters, const std::string& directory,
                                 int show) = 0;
};

// The platform services a window is given.
struct Desktop {
    Registry& registry;
    Launcher& launcher;
    Files& files;
    Shell& shell;
};

// This system's implementations, alive for the whole run.
Desktop& native_desktop();

}  // namespace quillbox::platform
