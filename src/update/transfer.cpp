// own
#include "update/transfer.h"

// Qt
#include <QTimer>
#include <QUrl>

// std
#include <utility>

namespace quillbox::update {

NetworkTransfer::NetworkTransfer(QObject* parent) : QObject(parent) {}

NetworkTransfer::~NetworkTransfer() { Cancel(); }

bool NetworkTransfer::StillExecuting() const { return reply_ != nullptr; }

void NetworkTransfer::OpenURL(const QString& url, Done done)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, kRedirectPolicy);
    QNetworkReply* reply = manager_.get(request);
    reply_ = reply;

    // An aborted request finishes as failed.
    QTimer::singleShot(kTimeout, reply, [reply] { reply->abort(); });
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > kMaxBodyBytes || total > kMaxBodyBytes) {
            reply->abort();
        }
    });
    finished_ =
        connect(reply, &QNetworkReply::finished, this, [this, reply, done = std::move(done)] {
            reply_ = nullptr;
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            std::optional<QByteArray> body;
            if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300) {
                body = reply->readAll();
            }
            done(body && body->size() <= kMaxBodyBytes ? body : std::nullopt);
        });
}

void NetworkTransfer::Cancel()
{
    if (QNetworkReply* reply = reply_) {
        reply_ = nullptr;
        disconnect(finished_);
        reply->abort();
        reply->deleteLater();
    }
}

}  // namespace quillbox::update
