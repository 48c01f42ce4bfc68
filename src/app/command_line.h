#pragma once

// Qt
#include <QString>
#include <QStringList>

// std
#include <ostream>

namespace quillbox::app {

// What the program's arguments ask for.
struct CommandLine {
    enum class Action {
        window,   // show the window, opening `save` if there is one
        help,     // print the help on standard output
        version,  // print the version on standard output
        usage,    // a usage error: the usage line on standard error, no window
    };
    Action action = Action::window;
    QString save;  // the full path of the save to open, or empty
};

// `arguments` without the program's name: none, one save, or --help (-h) or
// --version alone. A relative save is taken from the current folder, so that
// it is the full path File, Open would give.
CommandLine parseCommandLine(const QStringList& arguments);

// Prints what `action` (other than window) prints; returns the exit status.
int answer(CommandLine::Action action, std::ostream& out, std::ostream& err);

}  // namespace quillbox::app
