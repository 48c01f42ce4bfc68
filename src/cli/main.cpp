// own
#include "cli/cli.h"

// std
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return quillbox::cli::run(args, std::cout, std::cerr);
}
