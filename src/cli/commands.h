#pragma once

// std
#include <cstddef>
#include <ostream>
#include <span>
#include <string>

namespace CLI {
class App;
}

namespace quillbox::cli {

// What the command line gave; each command declares the fields it reads.
struct Arguments {
    std::string save;
    std::size_t slot = 0;
    std::string target;  // the output file or folder
    bool json = false;
    bool force = false;
};

struct Io {
    std::ostream& out;
    std::ostream& err;
};

// One subcommand. A new one is a function that runs it and a row in
// commands(); the declare_* helpers below give its arguments.
struct Command {
    const char* name;
    const char* arguments;  // as the usage line shows them, e.g. "[--json] SAVE"
    const char* help;       // what --help says of it, one paragraph
    void (*declare)(CLI::App& command, Arguments& args);
    int (*run)(const Arguments& args, Io io);
};

// The subcommands, in the order --help shows them.
std::span<const Command> commands();

// Positional arguments, required and never empty, and the options.
void declare_save(CLI::App& command, Arguments& args);
void declare_path(CLI::App& command, const char* name, std::string& path);
void declare_slot(CLI::App& command, Arguments& args);
void declare_json(CLI::App& command, Arguments& args);
void declare_force(CLI::App& command, Arguments& args);

}  // namespace quillbox::cli
