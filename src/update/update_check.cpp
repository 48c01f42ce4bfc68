// own
#include "update/update_check.h"
#include "quillbox/version.h"
#include "update/download_file.h"
#include "update/version_file.h"

// Qt
#include <QFile>
#include <QTemporaryDir>

// std
#include <optional>
#include <string>
#include <utility>

namespace quillbox::update {

namespace {

// The version in the file at `path`, or nothing when it holds none.
std::optional<QString> readVersion(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray text = file.readAll();
    const std::string field =
        first_field(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (!is_version(field)) {
        return std::nullopt;
    }
    return QString::fromStdString(field);
}

}  // namespace

UpdateCheck::UpdateCheck(std::unique_ptr<Transfer> transfer, QString versionUrl, QObject* parent)
    : QObject(parent), transfer_(std::move(transfer)), versionUrl_(std::move(versionUrl))
{}

UpdateCheck::~UpdateCheck() { cancel(); }

void UpdateCheck::start()
{
    Q_EMIT stepReached(1, QStringLiteral("Checking for updated version."));
    // The program's folder may not be writable; a folder of the check's own is.
    auto folder = std::make_unique<QTemporaryDir>();
    if (DownloadFile(*transfer_, versionUrl_, folder->path(),
                     [this](bool written) { fetched(written); })) {
        folder_ = std::move(folder);
    } else {
        Q_EMIT failed(QString());
    }
}

void UpdateCheck::cancel()
{
    transfer_->Cancel();
    folder_.reset();
}

void UpdateCheck::fetched(bool written)
{
    if (!written) {
        folder_.reset();
        Q_EMIT failed(QString::fromLatin1(kTransferFailed));
        return;
    }
    Q_EMIT stepReached(2, QStringLiteral("Version check success."));
    const std::optional<QString> remote = readVersion(folder_->filePath(fileNameOf(versionUrl_)));
    // The local copy goes once the answer has been shown.
    const std::unique_ptr<QTemporaryDir> folder = std::move(folder_);
    if (!remote) {
        Q_EMIT answered(QString::fromLatin1(kUnreadable));
    } else if (is_newer(remote->toStdString(), version::text)) {
        Q_EMIT answered(QStringLiteral("There is an update available to version ") + *remote +
                        QStringLiteral(" at ") + QLatin1String(settings::website_host));
    } else {
        Q_EMIT answered(QStringLiteral("There is no update available."));
    }
}

}  // namespace quillbox::update
