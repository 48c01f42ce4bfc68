// own
#include "update/download_file.h"
#include "update/transfer.h"
#include "widgets/user_dialogs.h"

// Qt
#include <QDir>
#include <QSaveFile>

namespace quillbox::update {

namespace {

// The name comes from the end of a URL: it must name a file inside the folder.
bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('\\')) && !name.contains(QChar::Null);
}

}  // namespace

QString fileNameOf(const QString& url)
{
    const qsizetype slash = url.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : url.mid(slash + 1);
}

bool DownloadFile(Transfer& transfer, const QString& url, const QString& folder,
                  widgets::UserDialogs& dialogs, QWidget* parent)
{
    if (transfer.StillExecuting()) {
        return false;
    }
    const Transfer::Result fetched = transfer.OpenURL(url);
    if (fetched.outcome == Transfer::Outcome::Cancelled) {
        return false;
    }
    bool written = false;
    if (fetched.outcome == Transfer::Outcome::Fetched) {
        const QString name = fileNameOf(url);
        QSaveFile file(QDir(folder).filePath(name));
        written = !folder.isEmpty() && isPlainFileName(name) && file.open(QIODevice::WriteOnly) &&
                  file.write(fetched.body) == fetched.body.size() && file.commit();
    }
    if (!written) {
        dialogs.information(parent, QString::fromLatin1(kTransferFailed));
    }
    return written;
}

}  // namespace quillbox::update
