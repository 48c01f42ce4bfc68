#pragma once

// Qt
class QWidget;

namespace quillbox::shell {

// Adds a top-level window to the program's list of loaded windows, in the
// order of loading. The main window is loaded first, so it is closed last.
// A window leaves the list by itself when it is destroyed.
void load_window(QWidget* window);

// Ends the program: closes every open window of the program, newest first and
// the first loaded (the main window) last, then ends the event loop. A window
// that refuses to close is skipped. `force` is true at every call; false is
// treated the same. Safe to re-enter from the main window's close handling.
void EndProgram(bool force);

}  // namespace quillbox::shell
