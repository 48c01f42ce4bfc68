// own
#include "shell/shell_open.h"

namespace quillbox::shell {

std::int32_t ShellOpen(platform::Shell& shell, const std::string& target)
{
    return shell.execute("Open", target, "", "C:\\", platform::Shell::kShowNormal);
}

}  // namespace quillbox::shell
