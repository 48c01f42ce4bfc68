// Replacing a target on a real file system: what it is, where the temporary
// file goes, when the bytes reach the device, and a disk that fills up.

// own
#include "saves/extract.h"
#include "saves/file_io.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <map>
#include <set>

#ifndef _WIN32
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

namespace quillbox::saves {
namespace {

using namespace quillbox::testing;
namespace fs = std::filesystem;
using Kind = ExtractOutcome::Kind;

// Slot 0 of a save of `sections` in `dir`, loaded and selected.
SaveState loaded(const TempDir& dir, const std::vector<Section>& sections)
{
    write_file(dir.file("save.psu"), ems_save("D", sections));
    SaveState state;
    open_save(state, dir.file("save.psu"));
    return state;
}

// The folder's entries, sorted: links as name->target, folders name/, pipes
// and sockets name|, files name:mode where files have modes.
std::string listing(const fs::path& dir)
{
    std::set<std::string> entries;
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
            std::snprintf(mode, sizeof mode, ":%o", static_cast<unsigned>(e.status().permissions()));
            name += mode;
#endif
        }
        entries.insert(name);
    }
    std::string out;
    for (const std::string& entry : entries) {
        out += entry + " ";
    }
    return out;
}

#ifndef _WIN32
// The folders (of those watched) in which files were created since the last call.
class Creations {
public:
    explicit Creations(const std::vector<fs::path>& folders) : fd_(inotify_init1(IN_NONBLOCK))
    {
        for (const fs::path& folder : folders) {
            names_[inotify_add_watch(fd_, folder.c_str(), IN_CREATE)] = folder.filename().string();
        }
    }
    ~Creations() { close(fd_); }
    std::string take()
    {
        std::set<std::string> seen;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                seen.insert(names_[event->wd]);
                p += sizeof(inotify_event) + event->len;
            }
        }
        return seen.empty() ? "" : *seen.begin() + (seen.size() > 1 ? "+" : "");
    }

private:
    int fd_;
    std::map<int, std::string> names_;
};
#endif

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
    struct stat before {};
    if (getuid() == 0) {
        ASSERT_EQ(chown((out / "plain").c_str(), 1234, 5678), 0);
    }
    stat((out / "plain").c_str(), &before);
    fs::create_symlink("real/file", out / "link");
    fs::create_symlink("real/new", out / "dangling");
    fs::create_symlink("/dev/null", out / "device");
    ASSERT_EQ(mkfifo((out / "fifo").c_str(), 0644), 0);
    sockaddr_un address{AF_UNIX, {}};
    (out / "socket").string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    Creations created({out, out / "real"});
    const std::string expected = "dangling->real/new device->/dev/null fifo| link->real/file " +
                                 long_name + ":644 plain:640 real/ real/file:600 real/new:644 " +
                                 "socket| sub/ ";
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
        {"socket", "it is a socket, not a file", ""},
        {"device", "it is a device, not a file", ""},
#endif
    };
    for (const auto& [target, reason, folder] : cases) {
        const std::string path = (out / target).string();
        EXPECT_EQ(extract_data(state, path).message,
                  reason ? "The file \"" + path + "\" could not be written: " + reason + "."
                         : "Data successfully extracted")
            << target;
#ifndef _WIN32
        EXPECT_EQ(created.take(), folder) << target;
#endif
    }
    EXPECT_EQ(listing(out), expected);
    for (const char* file : {"plain", "real/file", "real/new", long_name.c_str()}) {
        EXPECT_TRUE(!fs::exists(out / file) || read_file(out / file) == big.data) << file;
    }
#ifndef _WIN32
    close(sock);
    struct stat after {};
    stat((out / "plain").c_str(), &after);
    EXPECT_EQ(std::pair(after.st_uid, after.st_gid), std::pair(before.st_uid, before.st_gid));
#endif
}

}  // namespace
}  // namespace quillbox::saves
