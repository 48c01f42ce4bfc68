// own
#include "app/secondary_window.h"
#include "shell/end_program.h"

// Qt
#include <QLabel>
#include <QVBoxLayout>

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

QWidget* makePlaceholderWindow(const QString& objectName, const QString& title,
                               const QString& text)
{
    auto* window = new QWidget;
    window->setObjectName(objectName);
    window->setWindowTitle(title);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(text, window));
    return window;
}

}  // namespace quillbox::app
