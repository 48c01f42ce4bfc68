#pragma once

// Qt
#include <QIcon>

namespace quillbox::app {

// The program's window icon, which every window of it carries.
QIcon programIcon();

}  // namespace quillbox::app
