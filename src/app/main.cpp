// own
#include "app/command_line.h"
#include "app/form1.h"
#include "platform/desktop.h"
#include "widgets/user_dialogs.h"

// Qt
#include <QApplication>

// std
#include <iostream>

int main(int argc, char** argv)
{
    using quillbox::app::CommandLine;
    // --help and --version answer before Qt starts, so that they need no display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const CommandLine::Action early = quillbox::app::parseCommandLine(arguments).action;
    if (early == CommandLine::Action::help || early == CommandLine::Action::version) {
        return quillbox::app::answer(early, std::cout, std::cerr);
    }

    QApplication app(argc, argv);
    // Qt has taken out the options it knows (-platform, -style...) by now.
    const CommandLine line = quillbox::app::parseCommandLine(QApplication::arguments().mid(1));
    if (line.action != CommandLine::Action::window) {
        return quillbox::app::answer(line.action, std::cout, std::cerr);
    }
    // Lets the desktop match the window to its installed entry and icon.
    QApplication::setDesktopFileName(QStringLiteral(QUILLBOX_APP_ID));
    quillbox::widgets::QtUserDialogs dialogs;
    quillbox::app::Form1 form({dialogs, quillbox::platform::native_desktop()});
    form.show();
    if (!line.save.isEmpty()) {
        form.openSave(line.save);
    }
    return QApplication::exec();
}
