// own
#include "platform/desktop.h"
#include "support/temp_dir.h"

// GoogleTest
#include <gtest/gtest.h>

// std
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using quillbox::testing::TempDir;

namespace {

// Each test runs in a process of its own, so PATH is not restored.
TEST(LinuxDesktop, FindsTheFirstSystemInformationProgramOnPath)
{
    const TempDir first;
    const TempDir second;
    const auto program = [](const TempDir& dir, const char* name, fs::perms perms) {
        std::ofstream(dir.file(name)) << "#!/bin/sh\n";
        fs::permissions(dir.file(name), perms);
    };
    ::setenv("PATH", (first.path().string() + ':' + second.path().string()).c_str(), 1);
    auto& launcher = quillbox::platform::native_desktop().launcher;

    EXPECT_EQ(launcher.system_information_tool(), std::nullopt);
    program(first, "hardinfo2", fs::perms::owner_read);  // not executable
    program(first, "hardinfo", fs::perms::owner_all);
    EXPECT_EQ(launcher.system_information_tool(), first.file("hardinfo"));
    program(second, "kinfocenter", fs::perms::owner_all);  // preferred, wherever on PATH
    EXPECT_EQ(launcher.system_information_tool(), second.file("kinfocenter"));
}

}  // namespace
