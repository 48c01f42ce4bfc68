// The desktop on Windows, in plain Win32: the registry through advapi32, new
// processes through CreateProcess, file attributes, and the shell. Texts come
// and go as UTF-8 and meet Windows as UTF-16, through the W functions, so that
// a name outside the user's ANSI code page arrives whole.

// own
#include "platform/desktop.h"

// Windows
#include <windows.h>
#include <shellapi.h>

// std
#include <algorithm>
#include <string_view>
#include <vector>

namespace quillbox::platform {

namespace {

std::wstring wide(std::string_view utf8)
{
    const int n = static_cast<int>(utf8.size());
    std::wstring out(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, out.data(), static_cast<int>(out.size()));
    return out;
}

std::string utf8(std::wstring_view text)
{
    const int n = static_cast<int>(text.size());
    std::string out(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), n,
                                                                 nullptr, 0, nullptr, nullptr)),
                    '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), n, out.data(), static_cast<int>(out.size()),
                        nullptr, nullptr);
    return out;
}

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
        if (RegOpenKeyExW(to_hkey(root), wide(path).c_str(), 0, access, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return reinterpret_cast<Key>(key);
    }

    // Texts as UTF-8 with the terminating zero they were stored with, within
    // the buffer's bytes as the ANSI call measured them; other values as stored.
    // A text that fits in n UTF-8 bytes has at most n UTF-16 units.
    bool query(Key key, const std::string& name, std::span<std::uint8_t> buffer,
               std::uint32_t& type, std::uint32_t& size) override
    {
        std::vector<wchar_t> value(buffer.size());
        DWORD value_type = 0;
        auto bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (RegQueryValueExW(to_hkey(key), wide(name).c_str(), nullptr, &value_type,
                             reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS) {
            return false;  // missing, or more than the buffer holds (ERROR_MORE_DATA)
        }
        std::string text(reinterpret_cast<const char*>(value.data()), bytes);
        if (value_type == REG_SZ || value_type == REG_EXPAND_SZ || value_type == REG_MULTI_SZ) {
            text = utf8({value.data(), bytes / sizeof(wchar_t)});
        }
        if (text.size() > buffer.size()) {
            return false;
        }
        std::copy(text.begin(), text.end(), buffer.begin());
        type = value_type;
        size = static_cast<std::uint32_t>(text.size());
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
        const std::wstring path = wide(program);
        std::wstring command_line = L"\"" + path + L"\"";

        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process)) {
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
        const DWORD attributes = GetFileAttributesW(wide(path).c_str());
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
        HINSTANCE result = ShellExecuteW(owner, wide(operation).c_str(), wide(target).c_str(),
                                         wide(parameters).c_str(), wide(directory).c_str(), show);
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
