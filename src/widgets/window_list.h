#pragma once

// Qt
#include <QList>
#include <QPointer>
#include <QWidget>

// std
#include <functional>

namespace quillbox::widgets {

// Adds a top-level window to the program's list of loaded windows, in the
// order of loading. The main window is loaded first, so it is closed last.
// A window leaves the list by itself when it is destroyed.
void loadWindow(QWidget* window);

// The loaded windows, oldest first, without those destroyed since.
QList<QPointer<QWidget>> loadedWindows();

// Shows the one instance of a secondary window held in `window`: brings it
// forward when it is open, otherwise makes it with `make` (no owner window,
// deleted when closed), loads it and shows it modeless.
void showSecondary(QPointer<QWidget>& window, const std::function<QWidget*()>& make);

}  // namespace quillbox::widgets
