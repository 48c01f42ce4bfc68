#pragma once

// own
#include "commands.h"

namespace quillbox::cli {

// The commands on the archive reader, which reads all five containers, told
// apart by their contents.
int info(const Arguments& args, Io io);
int unpack(const Arguments& args, Io io);
int convert(const Arguments& args, Io io);

}  // namespace quillbox::cli
