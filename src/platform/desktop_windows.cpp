// The desktop on Windows, in plain Win32: the registry through advapi32, new
// processes through CreateProcess, file attributes, and the shell. Texts here
// are in the system's ANSI code page, the one the registry hands them out in.

// own
#include "platform/desktop.h"

// Windows
#include <windows.h>
#include <shellapi.h>

// std
#include <vector>

namespace quillbox::platform {

namespace {

// The interface names the predefined root keys by their 32-bit values; the
// Windows headers sign-extend those to pointer width, so they are handed on
// exactly as HKEY_LOCAL_MACHINE itself would be.
HKEY to_hkey(Registry::Key key)
{
    if (key >= 0x80000000U && key <= 0xFFFFFFFFU) {
        return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(key)));
    }
    return reinterpret_cast<HKEY>(key);
}

class Win32Registry final : public Registry {
public:
    std::optional<Key> open(Key root, const std::string& path, std::uint32_t access) override
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(to_hkey(root), path.c_str(), 0, access, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return reinterpret_cast<Key>(key);
    }

    bool query(Key key, const std::string& name, std::span<std::uint8_t> buffer,
               std::uint32_t& type, std::uint32_t& size) override
    {
        DWORD value_type = 0;
        DWORD bytes = static_cast<DWORD>(buffer.size());
        if (RegQueryValueExA(to_hkey(key), name.c_str(), nullptr, &value_type, buffer.data(),
                             &bytes) != ERROR_SUCCESS) {
            return false;  // missing, or more than the buffer holds (ERROR_MORE_DATA)
        }
        type = value_type;
        size = bytes;
        return true;
    }

    void close(Key key) override { RegCloseKey(to_hkey(key)); }
};

class ProcessLauncher final : public Launcher {
public:
    // A normal window that takes the focus; the handles are closed at once,
    // so nothing waits for the program or keeps it.
    bool start(const std::string& program) override
    {
        if (program.empty()) {
            return false;
        }
        // CreateProcess may write into the command line, so it gets a copy.
        std::string quoted = "\"" + program + "\"";
        std::vector<char> command_line(quoted.begin(), quoted.end());
        command_line.push_back('\0');

        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                            nullptr, nullptr, &startup, &process)) {
            return false;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }
};

class Win32Files final : public Files {
public:
    bool is_plain_file(const std::string& path) override
    {
        if (path.empty()) {
            return false;
        }
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes &
                (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
    }
};

class Win32Shell final : public Shell {
public:
    std::int32_t execute(const std::string& operation, const std::string& target,
                         const std::string& parameters, const std::string& directory,
                         int show) override
    {
        HWND owner = GetDesktopWindow();
        HINSTANCE result = ShellExecuteA(owner, operation.c_str(), target.c_str(),
                                         parameters.c_str(), directory.c_str(), show);
        // Not a handle but a status code, in the handle's type for old times' sake.
        return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(result));
    }
};

}  // namespace

Desktop& native_desktop()
{
    static Win32Registry registry;
    static ProcessLauncher launcher;
    static Win32Files files;
    static Win32Shell shell;
    static Desktop desktop{registry, launcher, files, shell};
    return desktop;
}

}  // namespace quillbox::platform
