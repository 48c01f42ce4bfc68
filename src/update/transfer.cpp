// own
#include "update/transfer.h"

// Qt
#include <QEventLoop>
#include <QTimer>
#include <QUrl>

namespace quillbox::update {

NetworkTransfer::NetworkTransfer(QObject* parent) : QObject(parent) {}

bool NetworkTransfer::StillExecuting() const { return reply_ != nullptr; }

Transfer::Result NetworkTransfer::OpenURL(const QString& url)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, kRedirectPolicy);
    QNetworkReply* reply = manager_.get(request);
    reply_ = reply;
    cancelled_ = false;
    bool tooLong = false;

    // Connections made in the loop's name end with it.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, [reply] { reply->abort(); });
    connect(reply, &QNetworkReply::downloadProgress, &loop,
            [reply, &tooLong](qint64 received, qint64 total) {
                if (received > kMaxBodyBytes || total > kMaxBodyBytes) {
                    tooLong = true;
                    reply->abort();
                }
            });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(kTimeout);
    if (!reply->isFinished()) {
        loop.exec();
    }
    // The program is ending (the loop was told to quit from outside).
    if (!reply->isFinished()) {
        cancelled_ = true;
        reply->abort();
    }
    reply_ = nullptr;

    Result result;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (cancelled_) {
        result.outcome = Outcome::Cancelled;
    } else if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300 &&
               !tooLong) {
        result.body = reply->readAll();
        if (result.body.size() <= kMaxBodyBytes) {
            result.outcome = Outcome::Fetched;
        } else {
            result.body.clear();
        }
    }
    reply->deleteLater();
    return result;
}

void NetworkTransfer::Cancel()
{
    if (reply_ != nullptr) {
        cancelled_ = true;
        reply_->abort();
    }
}

}  // namespace quillbox::update
