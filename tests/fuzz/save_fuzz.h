#pragma once

// The fuzz target's one knob, for the replay main: send every input through
// files (listed from disk as well as from memory, and extracted), not only a
// sample. libFuzzer leaves it off for speed.
namespace quillbox::fuzz {
inline bool every_input_through_files = false;
}
