// own
#include "widgets/window_list.h"

namespace quillbox::widgets {

namespace {

QList<QPointer<QWidget>>& windows()
{
    static QList<QPointer<QWidget>> loaded;
    return loaded;
}

}  // namespace

void loadWindow(QWidget* window)
{
    windows().removeAll(nullptr);
    if (window != nullptr && !windows().contains(window)) {
        windows().append(window);
    }
}

QList<QPointer<QWidget>> loadedWindows()
{
    windows().removeAll(nullptr);
    return windows();
}

void showSecondary(QPointer<QWidget>& window, const std::function<QWidget*()>& make)
{
    if (window == nullptr) {
        window = make();
        window->setAttribute(Qt::WA_DeleteOnClose);
        loadWindow(window);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace quillbox::widgets
