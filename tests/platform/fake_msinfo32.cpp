// Plays Microsoft's system information tool in the tests: started, it leaves
// a file named "started" beside itself, and ends.

// std
#include <filesystem>
#include <fstream>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int main()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::ofstream(std::filesystem::path(std::wstring(self, length)).replace_filename("started"));
    return 0;
}
