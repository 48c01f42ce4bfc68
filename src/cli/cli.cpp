// own
#include "cli.h"
#include "commands.h"
#include "quillbox/version.h"

// std
#include <sstream>
#include <string>

#include <CLI/CLI.hpp>

namespace quillbox::cli {

namespace {

constexpr const char* kProgram = "quillbox-cli";

// The GNU form, which help2man turns into the manual page's synopsis.
std::string usage(const Command* only = nullptr)
{
    std::string text;
    for (const Command& c : commands()) {
        if (only == nullptr || only == &c) {
            text += (text.empty() ? "Usage: " : "  or:  ") + std::string(kProgram) + " " + c.name +
                    " " + c.arguments + "\n";
        }
    }
    return only != nullptr ? text : text + "  or:  " + kProgram + " --help | --version\n";
}

// `paragraph` in lines of at most 80 columns, indented so that help2man
// makes it the text of the line before.
std::string indented(std::string_view paragraph)
{
    const std::string indent(20, ' ');
    std::string text, line = indent;
    std::istringstream words{std::string(paragraph)};
    for (std::string word; words >> word;) {
        if (line.size() > indent.size() && line.size() + word.size() >= 80) {
            text += line + "\n";
            line = indent;
        }
        line += (line.size() > indent.size() ? " " : "") + word;
    }
    return text + line + "\n";
}

std::string help()
{
    std::string text =
        usage() + "\nLists and extracts the sections of a PS2 save container as the window does\n"
                  "(list, extract, extract-all: EMS .psu and .psd, X-Port .xps and .sps, told\n"
                  "by the extension). info, unpack and convert read five containers, told by\n"
                  "their contents: EMS (.psu), X-Port and SharkPort (.xps, .sps), Action Replay\n"
                  "MAX (.max), CodeBreaker (.cbs) and PS3 (.psv).\n"
                  "Options may stand before or after the other arguments; -- ends them.\n"
                  "\nCommands:\n";
    for (const Command& c : commands()) {
        text += "  " + std::string(c.name) + " " + c.arguments + "\n" + indented(c.help);
    }
    return text + "\nExit status:\n"
                  "  0  done: everything asked for was listed or written\n"
                  "  1  nothing written: the save showed a message (it is damaged, or not\n"
                  "     a save that the command reads), or the command refused to write (a\n"
                  "     slot not in use, a section outside the save, a file already there,\n"
                  "     a name that a .psu cannot hold)\n"
                  "  2  nothing written: a usage or I/O error\n"
                  "  3  some files written, but not all: each one left out is reported;\n"
                  "     after a message from the save, the sections it did not list are\n"
                  "     left out\n"
                  "Messages go to standard error.\n";
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    CLI::App app("", kProgram);
    // "/x" is a path, also on Windows, where CLI11 would take it for an option.
    app.allow_windows_style_options(false);
    app.set_help_flag("-h,--help");
    app.set_version_flag("--version", std::string(kProgram) + " " + version::text);
    Arguments given;
    for (const Command& c : commands()) {
        c.declare(*app.add_subcommand(c.name), given);
    }
    // One command; what is left when none was found names the unknown one.
    // A command's extras are gathered too, not refused where they stand, so
    // that the message can name them in the order given.
    app.require_subcommand(0, 1);
    app.allow_extras();
    for (CLI::App* command : app.get_subcommands({})) {
        command->allow_extras();
    }

    const auto chosen = [&app]() -> const Command* {
        for (const Command& c : commands()) {
            if (app.got_subcommand(c.name)) {
                return &c;
            }
        }
        return nullptr;
    };
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
        const std::vector<std::string> left = app.remaining(true);
        if (chosen() != nullptr && !left.empty()) {
            // CLI11 names them from the last to the first.
            throw CLI::ExtrasError({left.rbegin(), left.rend()});
        }
        if (chosen() == nullptr) {
            throw CLI::ParseError(left.empty() ? "a command is required"
                                               : "\"" + left.front() + "\" is not a command",
                                  kUsageOrIo);
        }
    } catch (const CLI::CallForHelp&) {
        out << help();
        return kDone;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << "\n";
        return kDone;
    } catch (const CLI::ParseError& error) {
        err << kProgram << ": " << error.what() << "\n" << usage(chosen());
        return kUsageOrIo;
    }
    return chosen()->run(given, {out, err});
}

}  // namespace quillbox::cli
