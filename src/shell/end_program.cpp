// own
#include "shell/end_program.h"
#include "widgets/window_list.h"

// Qt
#include <QApplication>

namespace quillbox::shell {

void EndProgram(bool /*force*/)
{
    // The main window calls back in while it closes; the outer call finishes.
    static bool ending = false;
    if (ending) {
        return;
    }
    ending = true;

    // The list is taken once: windows closed below must not shift the walk.
    QList<QPointer<QWidget>> order = widgets::loadedWindows();

    // Windows nobody loaded through the list (a stray dialog) count as the
    // newest, so they close first.
    QList<QPointer<QWidget>> untracked;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isWindow() && widget->isVisible() && !order.contains(widget)) {
            untracked.append(widget);
        }
    }
    order += untracked;

    for (qsizetype i = order.size() - 1; i >= 0; --i) {
        // Closing a window that is already closing (the main window calling
        // in from its own close handling) does nothing.
        if (QWidget* window = order[i]; window != nullptr && window->isVisible()) {
            window->close();
        }
    }
    // Every routine of the program closes its own files before it returns,
    // so none is open here.
    QCoreApplication::exit(0);
    ending = false;
}

}  // namespace quillbox::shell
