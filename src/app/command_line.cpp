// own
#include "app/command_line.h"
#include "quillbox/version.h"

// Qt
#include <QFileInfo>

namespace quillbox::app {

namespace {

constexpr const char* kUsage = "Usage: quillbox [SAVE | --help | --version]\n";

constexpr const char* kHelp =
    "Opens the Quillbox window; given SAVE, a PS2 save container (.psu, .psd,\n"
    ".xps, .sps), opens it there as File, Open does.\n"
    "\n"
    "  --help     this text\n"
    "  --version  the program's version\n";

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    using Action = CommandLine::Action;
    if (arguments.isEmpty()) {
        return {Action::window, {}};
    }
    const QString& first = arguments.front();
    if (arguments.size() == 1 && (first == "--help" || first == "-h")) {
        return {Action::help, {}};
    }
    if (arguments.size() == 1 && first == "--version") {
        return {Action::version, {}};
    }
    if (arguments.size() > 1 || first.isEmpty() || first.startsWith('-')) {
        return {Action::usage, {}};
    }
    return {Action::window, QFileInfo(first).absoluteFilePath()};
}

int answer(CommandLine::Action action, std::ostream& out, std::ostream& err)
{
    switch (action) {
    case CommandLine::Action::help: out << kUsage << "\n" << kHelp; return 0;
    case CommandLine::Action::version: out << "quillbox " << version::text << "\n"; return 0;
    default: err << kUsage; return 2;
    }
}

}  // namespace quillbox::app
