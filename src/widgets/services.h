#pragma once

// own
#include "platform/desktop.h"
#include "quillbox/version.h"

// std
#include <string>

namespace quillbox::widgets {

class UserDialogs;

// What the program's windows are given from outside: the user's dialogs, the
// desktop, and where the update check looks. Tests hand in fakes and a local
// server's URL. Everything referenced must outlive the windows.
struct Services {
    UserDialogs& dialogs;
    platform::Desktop& desktop;
    std::string version_url = settings::version_url;
};

}  // namespace quillbox::widgets
