#pragma once

// std
#include <stdexcept>
#include <string>

namespace quillbox::saves {

// Why a File, Open could not produce a listing at all. The builder raises it;
// File, Open catches it and keeps the window's state as it was.
class LoadError : public std::runtime_error {
public:
    enum class Code {
        unreadable,         // missing, a folder, no permission, an I/O error
        position_overflow,  // a length carried a position past 2147483647
    };

    LoadError(Code code, const std::string& message) : std::runtime_error(message), code_(code) {}

    [[nodiscard]] Code code() const { return code_; }

private:
    Code code_;
};

}  // namespace quillbox::saves
