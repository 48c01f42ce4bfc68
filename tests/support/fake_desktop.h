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
#include <set>
#include <string>
#include <vector>

namespace quillbox::testing {

struct FakeRegistry final : platform::Registry {
    struct Value {
        std::uint32_t type = kString;
        std::string bytes;
    };
    std::map<std::string, std::map<std::string, Value>> keys;  // by path, then value name
    std::vector<std::string> opened;                            // paths asked for, in order
    int open_count = 0;                                         // opened and not yet closed

    std::optional<Key> open(Key root, const std::string& path, std::uint32_t access) override
    {
        opened.push_back(path);
        if (root != kLocalMachine || (access & ~kKeyRead) != 0 || !keys.contains(path)) {
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
        if (found == values.end() || found->second.bytes.size() > buffer.size()) {
            return false;
        }
        std::ranges::copy(found->second.bytes, buffer.begin());
        type = found->second.type;
        size = static_cast<std::uint32_t>(found->second.bytes.size());
        return true;
    }
    void close(Key) override { --open_count; }
};

struct FakeLauncher final : platform::Launcher {
    std::vector<std::string> started;
    bool succeeds = true;
    std::optional<std::string> own_tool;

    bool start(const std::string& program) override
    {
        started.push_back(program);
        return succeeds;
    }
    std::optional<std::string> system_information_tool() override { return own_tool; }
};

struct FakeFiles final : platform::Files {
    std::set<std::string> plain;
    bool is_plain_file(const std::string& path) override { return plain.contains(path); }
};

struct FakeShell final : platform::Shell {
    std::vector<std::string> calls;  // "operation|target|parameters|directory|show"
    std::int32_t execute(const std::string& operation, const std::string& target,
                         const std::string& parameters, const std::string& directory,
                         int show) override
    {
        calls.push_back(operation + '|' + target + '|' + parameters + '|' + directory + '|' +
                        std::to_string(show));
        return 42;
    }
};

struct FakeDesktop {
    FakeRegistry registry;
    FakeLauncher launcher;
    FakeFiles files;
    FakeShell shell;
    platform::Desktop desktop{registry, launcher, files, shell};
};

}  // namespace quillbox::testing
