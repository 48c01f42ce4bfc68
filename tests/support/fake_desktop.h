#pragma once

// A scripted desktop: a registry of raw bytes and types that opens keys for
// reading only (as for a user without administrator rights), and a launcher,
// files and shell that log what they were asked.

// own
#include "platform/desktop.h"

// std
#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillbox::testing {

struct FakeDesktop final : platform::Registry, platform::Launcher, platform::Files,
                           platform::Shell {
    // By key path, then value name: the value's type and bytes.
    std::map<std::string, std::map<std::string, std::pair<std::uint32_t, std::string>>> keys;
    std::vector<std::string> opened;  // paths asked for; a key's handle is its place here
    int open_count = 0;               // opened and not yet closed
    std::vector<std::string> started;
    bool succeeds = true;  // what starting a program does
    std::optional<std::string> own_tool;
    std::vector<std::string> calls;  // to the shell: "operation|target|parameters|directory|show"
    platform::Desktop desktop{*this, *this, *this, *this};

    std::optional<Key> open(Key root, const std::string& path, std::uint32_t access) override
    {
        opened.push_back(path);
        if (root != kLocalMachine || access != kKeyRead || !keys.contains(path)) {
            return std::nullopt;
        }
        ++open_count;
        return opened.size();
    }
    bool query(Key key, const std::string& name, std::span<std::uint8_t> buffer,
               std::uint32_t& type, std::uint32_t& size) override
    {
        const auto& values = keys.at(opened.at(key - 1));
        const auto found = values.find(name);
        if (found == values.end() || found->second.second.size() > buffer.size()) {
            return false;
        }
        std::ranges::copy(found->second.second, buffer.begin());
        type = found->second.first;
        size = static_cast<std::uint32_t>(found->second.second.size());
        return true;
    }
    void close(Key) override { --open_count; }

    bool start(const std::string& program) override
    {
        started.push_back(program);
        return succeeds;
    }
    std::optional<std::string> system_information_tool() override { return own_tool; }
    // Only the system information tool in its usual folder is on disk.
    bool is_plain_file(const std::string& path) override
    {
        return path == R"(C:\Info\MSINFO32.EXE)";
    }

    std::int32_t execute(const std::string& operation, const std::string& target,
                         const std::string& parameters, const std::string& directory,
                         int show) override
    {
        calls.push_back(operation + '|' + target + '|' + parameters + '|' + directory + '|' +
                        std::to_string(show));
        return 33;
    }
};

}  // namespace quillbox::testing
