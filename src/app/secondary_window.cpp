// own
#include "app/secondary_window.h"
#include "shell/end_program.h"

namespace quillbox::app {

void showSecondary(QPointer<QWidget>& window, const std::function<QWidget*()>& make)
{
    if (window == nullptr) {
        window = make();
        window->setAttribute(Qt::WA_DeleteOnClose);
        shell::load_window(window);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace quillbox::app
