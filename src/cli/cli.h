#pragma once

// std
#include <ostream>
#include <string>
#include <vector>

namespace quillbox::cli {

// Exit statuses of quillbox-cli. 1 and 2 mean that no file was written.
enum Status : int {
    kDone = 0,
    kShowedMessage = 1,  // the save showed a message, or the extraction was refused
    kUsageOrIo = 2,
    kPartlyDone = 3,  // some files were written, others not; each of those was reported
};

// Runs quillbox-cli with `args` (without the program name).
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quillbox::cli
