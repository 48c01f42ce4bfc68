// own
#include "update/download_file.h"
#include "update/transfer.h"

// Qt
#include <QDir>
#include <QSaveFile>

// std
#include <utility>

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
                  std::function<void(bool written)> done)
{
    if (transfer.StillExecuting()) {
        return false;
    }
    transfer.OpenURL(url, [url, folder,
                           done = std::move(done)](const std::optional<QByteArray>& body) {
        const QString name = fileNameOf(url);
        QSaveFile file(QDir(folder).filePath(name));
        done(body && !folder.isEmpty() && isPlainFileName(name) &&
             file.open(QIODevice::WriteOnly) && file.write(*body) == body->size() && file.commit());
    });
    return true;
}

}  // namespace quillbox::update
