#pragma once

// Qt
#include <QIcon>

namespace quillbox::widgets {

// The program's window icon, which every window of it carries.
QIcon programIcon();

}  // namespace quillbox::widgets
