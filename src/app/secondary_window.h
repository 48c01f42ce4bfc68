#pragma once

// Qt
#include <QPointer>
#include <QString>
#include <QWidget>

// std
#include <functional>

namespace quillbox::app {

// Shows the one instance of a secondary window held in `window`: brings it
// forward when it is open, otherwise makes it with `make` (no owner window,
// deleted when closed) and shows it modeless.
void showSecondary(QPointer<QWidget>& window, const std::function<QWidget*()>& make);

// A stand-in window: a title and one line of text.
QWidget* makePlaceholderWindow(const QString& objectName, const QString& title,
                               const QString& text);

}  // namespace quillbox::app
