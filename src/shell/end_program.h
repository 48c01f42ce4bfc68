#pragma once

namespace quillbox::shell {

// Ends the program: closes every open window of the program, newest first and
// the first loaded (the main window) last, then ends the event loop. A window
// that refuses to close is skipped. `force` is true at every call; false is
// treated the same. Safe to re-enter from the main window's close handling.
void EndProgram(bool force);

}  // namespace quillbox::shell
