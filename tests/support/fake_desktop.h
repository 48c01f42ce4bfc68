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

namespace quillbox::testing {

struct FakeDesktop final : platform::Registry,
                           platform::Launcher,
                           platform::Files,
                           platform::Shell {
    using Values = std::map<std::string, std::pair<std::uint32_t, std::string>>;
    std::map<std::string, Values> keys;  // by key path, then value name: type and bytes
    std::optional<std::string> own_tool;
    // What was asked, in order, separated by spaces: "open", "close",
    // "start PROGRAM", and the shell's "operation|target|parameters|directory|show".
    std::string calls;
    platform::Desktop desktop{*this, *this, *this, *this};

    // An open key's handle is the address of its values.
    std::optional<Key> open(Key root, const std::string& path, std::uint32_t access) override
    {
        called("open");
        const auto key = keys.find(path);
        return root == kLocalMachine && access == kKeyRead && key != keys.end()
                   ? std::optional(reinterpret_cast<Key>(&key->second))
                   : std::nullopt;
    }
    bool query(Key key, const std::string& name, std::span<std::uint8_t> buffer,
               std::uint32_t& type, std::uint32_t& size) override
    {
        const Values& values = *reinterpret_cast<const Values*>(key);
        const auto value = values.find(name);
        if (value == values.end() || value->second.second.size() > buffer.size()) {
            return false;
        }
        type = value->second.first;
        size = static_cast<std::uint32_t>(value->second.second.size());
        std::ranges::copy(value->second.second, buffer.begin());
        return true;
    }
    void close(Key) override { called("close"); }
    void called(const std::string& call) { calls += (calls.empty() ? "" : " ") + call; }

    // Any program but "" starts.
    bool start(const std::string& program) override
    {
        called("start " + program);
        return !program.empty();
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
        called(operation + '|' + target + '|' + parameters + '|' + directory + '|' +
               std::to_string(show));
        return 33;
    }
};

}  // namespace quillbox::testing
