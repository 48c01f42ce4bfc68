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
// program that cannot start says so, as does the shell given no target. Each
// test runs in a process of its own: PATH is not restored.
TEST(LinuxDesktop, FindsTheFirstSystemInformationProgramOnPathAndReportsFailures)
{
    const quillbox::testing::TempDir first, second;
    ::setenv("PATH", (first.path().string() + ':' + second.path().string()).c_str(), 1);
    quillbox::platform::Desktop& desktop = quillbox::platform::native_desktop();
    std::ofstream(first.file("hardinfo")) << "#!/bin/sh\n";
    std::ofstream(second.file("kinfocenter")) << "#!/bin/sh\n";
    std::filesystem::permissions(first.file("hardinfo"), std::filesystem::perms::owner_all);
    std::filesystem::permissions(second.file("kinfocenter"), std::filesystem::perms::owner_all);
    EXPECT_EQ(desktop.launcher.system_information_tool(), second.file("kinfocenter"));
    EXPECT_TRUE(desktop.files.is_plain_file(first.file("hardinfo")));
    EXPECT_FALSE(desktop.launcher.start(first.file("no such program")));
    EXPECT_LE(desktop.shell.execute("Open", "", "", "C:\\", 1), 32);
}

}  // namespace
