// Replacing a target on a real file system: what it is, where the temporary
// file goes, when the bytes reach the device, and a disk that fills up.

// own
#include "saves/extract.h"
#include "saves/file_io.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#ifndef _WIN32
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using namespace quillbox::testing;
namespace fs = std::filesystem;

// Slot 0 of a save of `sections` in `dir`, loaded and selected.
SaveState loaded(const TempDir& dir, const std::vector<Section>& sections)
{
    write_file(dir.file("save.psu"), ems_save("D", sections));
    SaveState state;
    open_save(state, dir.file("save.psu"));
    return state;
}

// The folder's entries, sorted: links as name->target, folders name/, pipes
// name|, files name:mode where files have modes.
std::string listing(const fs::path& dir)
{
    std::set<std::string> entries;
    std::string out;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir)) {
        std::string name = e.path().lexically_relative(dir).generic_string();
        if (e.is_symlink()) {
            name += "->" + fs::read_symlink(e.path()).generic_string();
        } else if (e.is_directory()) {
            name += "/";
        } else if (!e.is_regular_file()) {
            name += "|";
        } else {
#ifndef _WIN32
            char mode[8];
            std::snprintf(mode, sizeof mode, ":%o",
                          static_cast<unsigned>(e.status().permissions()));
            name += mode;
#endif
        }
        entries.insert(name + " ");
    }
    for (const std::string& entry : entries) {
        out += entry;
    }
    return out;
}

// A large section (written through the early reservation) onto targets of
// every kind. Refused ones create nothing, not even for a moment; links are
// written through, into the folder of the file they name; a replaced file
// keeps its mode and owner.
TEST(Replace, FilesLinksAndWhatIsNoFile)
{
    TempDir dir;
    const Section big = section("big", (4U << 20) + 1, 3);
    const SaveState state = loaded(dir, {big});
    const fs::path out = dir.path() / "out";
    fs::create_directories(out / "real");
    fs::create_directory(out / "sub");
    const std::string long_name(255, 'n');
    write_file(out / "plain", Bytes(9000, 1));
#ifdef _WIN32
    const std::string expected = long_name + " plain real/ sub/ ";
#else
    umask(022);
    write_file(out / "real/file", Bytes(9000, 2));
    fs::permissions(out / "plain", fs::perms(0640));
    fs::permissions(out / "real/file", fs::perms(0600));
    const auto owner = [&] {
        struct stat st {};
        stat((out / "plain").c_str(), &st);
        return std::pair(st.st_uid, st.st_gid);
    };
    if (getuid() == 0) {
        ASSERT_EQ(chown((out / "plain").c_str(), 1234, 5678), 0);
    }
    const auto before = owner();
    fs::create_symlink("real/file", out / "link");
    fs::create_symlink("real/new", out / "dangling");
    fs::create_symlink("/dev/null", out / "device");
    fs::create_symlink("loop", out / "loop");
    ASSERT_EQ(mkfifo((out / "fifo").c_str(), 0644), 0);
    // Which of the two folders a file was created in since the last look.
    const int watch = inotify_init1(IN_NONBLOCK);
    inotify_add_watch(watch, out.c_str(), IN_CREATE);
    const int real = inotify_add_watch(watch, (out / "real").c_str(), IN_CREATE);
    const auto created = [&] {
        std::string in;
        alignas(inotify_event) char events[4096];
        while (read(watch, events, sizeof events) > 0) {
            in = reinterpret_cast<const inotify_event*>(events)->wd == real ? "real" : "out";
        }
        return in;
    };
    const std::string expected =
        "dangling->real/new device->/dev/null fifo| link->real/file loop->loop " + long_name +
        ":644 plain:640 real/ real/file:600 real/new:644 sub/ ";
#endif
    // Target, the message's reason (none: written), the folder a file was created in.
    const std::vector<std::tuple<std::string, const char*, std::string>> cases = {
        {"plain", nullptr, "out"},
        {long_name, nullptr, "out"},
        {"sub", "it is a folder", ""},
#ifndef _WIN32
        {"link", nullptr, "real"},
        {"dangling", nullptr, "real"},
        {"fifo", "it is a pipe, not a file", ""},
        {"device", "it is a device, not a file", ""},
        {"loop", "Too many levels of symbolic links", ""},
#endif
    };
    for (const auto& [target, reason, folder] : cases) {
        const std::string path = (out / target).string();
        EXPECT_EQ(extract_data(state, path).message,
                  reason ? "The file \"" + path + "\" could not be written: " + reason + "."
                         : "Data successfully extracted")
            << target;
#ifndef _WIN32
        EXPECT_EQ(created(), folder) << target;
#endif
    }
    EXPECT_EQ(listing(out), expected);
    for (const char* file : {"plain", "real/file", "real/new", long_name.c_str()}) {
        EXPECT_TRUE(!fs::exists(out / file) || read_file(out / file) == big.data) << file;
    }
#ifndef _WIN32
    close(watch);
    EXPECT_EQ(owner(), before);
#endif
}

// Each flush, as the folder stood at the time: the target "old" before the
// rename, "new" after, and the other names' first ten bytes and length.
std::string g_flushes;
fs::path g_target;
int counting_flush(int fd)
{
    g_flushes += read_file(g_target).size() == 3 ? "new" : "old";
    for (const fs::directory_entry& e : fs::directory_iterator(g_target.parent_path())) {
        const std::string name = e.path().filename().string();
        g_flushes +=
            e.path() == g_target ? "" : " " + name.substr(0, 10) + std::to_string(name.size());
    }
    g_flushes += "; ";
    return flush_to_device(fd);
}
int full_flush(int) { return ENOSPC; }

TEST(Replace, TheFileReachesTheDeviceBeforeTheRenameAndTheFolderAfter)
{
    TempDir dir;
    g_target = dir.path() / "t.bin";
    write_file(g_target, Bytes(5, 1));
    const FlushFunction before = set_flush(counting_flush);
    EXPECT_EQ(write_file_atomically(g_target, "new", 3), std::nullopt);
    set_flush(full_flush);
    const std::optional<std::string> full = write_file_atomically(g_target, "newer", 5);
    set_flush(before);
#ifdef _WIN32
    EXPECT_EQ(g_flushes, "old .quillbox-18; ");
#else
    EXPECT_EQ(g_flushes, "old .quillbox-18; new; ");
#endif
    EXPECT_EQ(full,
              "The file \"" + g_target.string() + "\" could not be written: the disk is full.");
    EXPECT_EQ(read_file(g_target), Bytes({'n', 'e', 'w'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

#ifdef __linux__
// A 64 KiB disk in the test's folder, unmounted however the test ends.
struct SmallDisk {
    explicit SmallDisk(const fs::path& at) : path(at)
    {
        fs::create_directory(path);
        mounted = mount("quillbox-test", path.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk()
    {
        if (mounted) {
            umount2(path.c_str(), MNT_DETACH);
        }
    }
    const fs::path path;
    bool mounted;
};

// On a full disk the old target stays whole and no temporary file is left;
// extract-all (the program) keeps every file that fitted and reports the rest.
TEST(Replace, AFullDiskLosesNothing)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a small disk needs root";
    }
    TempDir dir;
    const SmallDisk disk(dir.path() / "disk");
    if (!disk.mounted) {
        GTEST_SKIP() << "no small disk to be had: " << std::strerror(errno);
    }
    const fs::path target = disk.path / "t.bin";
    const std::string full = "\" could not be written: the disk is full.";
    write_file(target, Bytes(8000, 9));
    EXPECT_EQ(extract_data(loaded(dir, {section("s", 5U << 20)}), target.string()).message,
              "The file \"" + target.string() + full);
    EXPECT_EQ(read_file(target), Bytes(8000, 9));
    EXPECT_EQ(listing(disk.path), "t.bin:644 ");
    fs::remove(target);

    const std::vector<Section> sections = {section("a", 20000), section("b", 30000),
                                           section("c", 40000), section("d", 4000)};
    write_file(dir.file("all.psu"), ems_save("D", sections));
    const fs::path all = disk.path / "all";
    const std::string command = std::string(QUILLBOX_CLI) + " extract-all '" + dir.file("all.psu") +
                                "' '" + all.string() + "' >'" + dir.file("out") + "' 2>'" +
                                dir.file("err") + "'";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_EQ(listing(disk.path), "all/ all/a:644 all/b:644 all/d:644 ");
    for (const Section& s : {sections[0], sections[1], sections[3]}) {
        EXPECT_TRUE(read_file(all / s.name) == s.data) << s.name;
    }
    const auto text = [](const fs::path& path) {
        const Bytes b = read_file(path);
        return std::string(b.begin(), b.end());
    };
    EXPECT_EQ(text(dir.file("out")),
              (all / "a\n").string() + (all / "b\n").string() + (all / "d\n").string());
    EXPECT_NE(text(dir.file("err")).find("The file \"" + (all / "c").string() + full),
              std::string::npos)
        << text(dir.file("err"));
}
#endif

}  // namespace
}  // namespace quillbox::saves
