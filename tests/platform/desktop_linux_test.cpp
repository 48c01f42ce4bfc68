// own
#include "platform/desktop.h"
#include "support/temp_dir.h"

// GoogleTest
#include <gtest/gtest.h>

// std
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// KDE's program before the stand-alone ones, wherever each is on PATH; a
// program that cannot start says so. Each test runs in a process of its own:
// PATH is not restored.
TEST(LinuxDesktop, FindsTheFirstSystemInformationProgramOnPath)
{
    const quillbox::testing::TempDir first, second;
    ::setenv("PATH", (first.path().string() + ':' + second.path().string()).c_str(), 1);
    auto& launcher = quillbox::platform::native_desktop().launcher;
    std::ofstream(first.file("hardinfo")) << "#!/bin/sh\n";
    std::ofstream(second.file("kinfocenter")) << "#!/bin/sh\n";
    std::filesystem::permissions(first.file("hardinfo"), std::filesystem::perms::owner_all);
    std::filesystem::permissions(second.file("kinfocenter"), std::filesystem::perms::owner_all);
    EXPECT_EQ(launcher.system_information_tool(), second.file("kinfocenter"));
    EXPECT_FALSE(launcher.start(first.file("no such program")));
}

}  // namespace
