#pragma once

// std
#include <ostream>
#include <string>
#include <vector>

namespace quillbox::cli {

// Exit statuses of quillbox-cli.
enum Status : int {
    kDone = 0,
    kShowedMessage = 1,  // list showed a message, or an extraction was refused
    kUsageOrIo = 2,
};

// Runs quillbox-cli with `args` (without the program name).
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quillbox::cli
