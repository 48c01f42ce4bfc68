// own
#include "app/form1.h"
#include "platform/desktop.h"
#include "widgets/user_dialogs.h"

// Qt
#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Lets the desktop match the window to its installed entry and icon.
    QApplication::setDesktopFileName(QStringLiteral(QUILLBOX_APP_ID));
    quillbox::widgets::QtUserDialogs dialogs;
    quillbox::app::Form1 form({dialogs, quillbox::platform::native_desktop()});
    form.show();
    return QApplication::exec();
}
