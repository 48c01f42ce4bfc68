// The desktop on Linux and other Unix systems, through Qt: no registry,
// detached processes, the desktop's own system information program in place
// of the registry's, and the desktop's URL handler as the shell.

// own
#include "platform/desktop.h"

// Qt
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QUrl>

// std
#include <sys/stat.h>

namespace quillbox::platform {

namespace {

class NoRegistry final : public Registry {
public:
    std::optional<Key> open(Key, const std::string&, std::uint32_t) override
    {
        return std::nullopt;
    }
    bool query(Key, const std::string&, std::span<std::uint8_t>, std::uint32_t&,
               std::uint32_t&) override
    {
        return false;
    }
    void close(Key) override {}
};

class DetachedLauncher final : public Launcher {
public:
    // A detached process gets its own window from the desktop, which gives
    // it the focus; nothing waits for it.
    bool start(const std::string& program) override
    {
        return !program.empty() && QProcess::startDetached(QString::fromStdString(program), {});
    }

    // The common desktops' own system information programs, in the order of
    // preference: KDE's, then the stand-alone ones that any desktop can run.
    std::optional<std::string> system_information_tool() override
    {
        for (const char* name : {"kinfocenter", "hardinfo2", "hardinfo", "cpu-x"}) {
            const QString found = QStandardPaths::findExecutable(QLatin1String(name));
            if (!found.isEmpty()) {
                return found.toStdString();
            }
        }
        return std::nullopt;
    }
};

class UnixFiles final : public Files {
public:
    // Hidden means a name that starts with "."; there are no system files.
    bool is_plain_file(const std::string& path) override
    {
        struct stat st {};
        const QString name = QFileInfo(QString::fromStdString(path)).fileName();
        return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
               !name.startsWith(QLatin1Char('.'));
    }
};

class DesktopServicesShell final : public Shell {
public:
    // The desktop's handlers know no operation, parameters, working folder or
    // show mode: a web address goes as it is, anything else as a local file.
    std::int32_t execute(const std::string&, const std::string& target, const std::string&,
                         const std::string&, int) override
    {
        const QString text = QString::fromStdString(target);
        // A relative path is taken from the working folder, as a shell would.
        const QUrl url = text.contains(QStringLiteral("://"))
                             ? QUrl(text, QUrl::StrictMode)
                             : QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
        return !text.isEmpty() && url.isValid() && QDesktopServices::openUrl(url) ? kOpened
                                                                                  : kNoAssociation;
    }

private:
    // ShellExecute's lowest success value, and SE_ERR_NOASSOC: no program
    // could open the target.
    static constexpr std::int32_t kOpened = 33;
    static constexpr std::int32_t kNoAssociation = 31;
};

}  // namespace

Desktop& native_desktop()
{
    static NoRegistry registry;
    static DetachedLauncher launcher;
    static UnixFiles files;
    static DesktopServicesShell shell;
    static Desktop desktop{registry, launcher, files, shell};
    return desktop;
}

}  // namespace quillbox::platform
