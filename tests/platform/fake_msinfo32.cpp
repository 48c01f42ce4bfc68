// Plays Microsoft's system information tool in the tests: started, it leaves
// a file named "started" beside itself, and ends.

#include <cwchar>

#include <windows.h>

int main()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wcscpy(std::wcsrchr(path, L'\\') + 1, L"started");
    CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}
