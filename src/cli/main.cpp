// own
#include "cli/cli.h"

// std
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

namespace {

std::string utf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back();  // the terminating zero
    return out;
}

}  // namespace

// Inside, text is UTF-8. The arguments are taken as Windows keeps them, in
// UTF-16, since main's are in the ANSI code page and lose any name outside it.
// A console is switched to UTF-8 while the program writes to it.
int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        args.push_back(utf8(argv[i]));
    }
    LocalFree(argv);

    const UINT console = GetConsoleOutputCP();
    if (console != 0) {
        SetConsoleOutputCP(CP_UTF8);
    }
    const int status = quillbox::cli::run(args, std::cout, std::cerr);
    std::cout.flush();
    if (console != 0) {
        SetConsoleOutputCP(console);
    }
    return status;
}

#else

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return quillbox::cli::run(args, std::cout, std::cerr);
}

#endif
