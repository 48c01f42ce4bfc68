#pragma once

// std
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillbox::saves {

// Paths travel through the state record as UTF-8 text.
std::filesystem::path to_path(std::string_view utf8);
// And back.
std::string to_utf8(const std::filesystem::path& path);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A save opened for reading raw bytes, unbuffered (callers read in blocks of
// their own), with its size; or, when it cannot be read, the message to show,
// which names the file and the reason.
struct OpenedSave {
    File file;
    std::int64_t size = 0;
    std::string failure;
};
OpenedSave open_save_file(const std::filesystem::path& path);

// The message for a save that could be opened but not read.
std::string read_failure(const std::filesystem::path& path);

// New contents for `target`, written to a temporary file in the folder of the
// file it replaces and renamed over that file once its bytes are on the device,
// so a failure or a crash leaves the old target whole and no temporary file
// behind. A symbolic link is written through: the link stays, the file it
// names is replaced and keeps its permission bits (and, where the process
// may, its owner).
class Replacement {
public:
    explicit Replacement(std::filesystem::path target);
    // Removes the temporary file unless commit() renamed it.
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // Creates nothing: follows the target's links and refuses a folder, a
    // device, a pipe or a socket. Returns the message to show, or nothing.
    // reserve() and commit() check first when the caller has not.
    std::optional<std::string> check();

    // On Linux: makes the temporary file now and sets room for `size` bytes
    // aside in it, so that the write only has to copy them; for a caller with
    // a thread to spare while it gets the bytes ready. Best effort: what fails
    // here, commit() retries and reports.
    void reserve(std::size_t size);

    // Writes the bytes, brings them to the device and renames the file over
    // the target. Returns the message to show on failure, or nothing.
    std::optional<std::string> commit(const char* data, std::size_t size);

private:
    int make_temporary();
    std::string failure(std::string_view reason) const;
    std::string failure(int err) const;

    std::filesystem::path target_;  // as given, for messages
    std::filesystem::path file_;    // the file replaced: the target, its links followed
    std::optional<std::string> refusal_;
    bool checked_ = false;
    bool replaces_ = false;  // file_ exists; owner and mode are its
    std::uint32_t owner_ = 0, group_ = 0, mode_ = 0;
    std::filesystem::path temporary_;
    File out_;
};

// Brings what was written to `fd` (a file, or on Linux a folder) to the
// device: 0, or an errno. Replacement calls it on the new file before the
// rename and, on Linux, on the folder after it.
int flush_to_device(int fd);
using FlushFunction = int (*)(int fd);
// Puts `flush` in place of the function above, for tests and benchmarks;
// returns the one it replaces.
FlushFunction set_flush(FlushFunction flush);

// Replacement(target).commit(data, size).
std::optional<std::string> write_file_atomically(const std::filesystem::path& target,
                                                 const char* data, std::size_t size);

}  // namespace quillbox::saves
