#pragma once

// std
#include <filesystem>
#include <random>
#include <string>

namespace quillbox::testing {

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
public:
    explicit TempDir(const std::filesystem::path& parent = std::filesystem::temp_directory_path())
        : path_(parent / ("quillbox-test-" + std::to_string(std::random_device{}()) +
                          std::to_string(std::random_device{}())))
    {
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_, ec_); }
    TempDir(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    const std::filesystem::path path_;  // const: no copy assignment either
    std::error_code ec_;                // a folder left behind is no failure
};

}  // namespace quillbox::testing
