#pragma once

// Qt
#include <QPointer>
#include <QWidget>

// std
#include <functional>

namespace quillbox::app {

// Shows the one instance of a secondary window held in `window`: brings it
// forward when it is open, otherwise makes it with `make` (no owner window,
// deleted when closed) and shows it modeless.
void showSecondary(QPointer<QWidget>& window, const std::function<QWidget*()>& make);

}  // namespace quillbox::app
