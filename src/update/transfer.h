#pragma once

// Qt
#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>

// std
#include <chrono>

namespace quillbox::update {

// The internet transfer component a window owns (Inet1): one request at a
// time, fetched whole while the window's events keep flowing.
class Transfer {
public:
    enum class Outcome { Fetched, Failed, Cancelled };
    struct Result {
        Outcome outcome = Outcome::Failed;
        QByteArray body;  // the whole body when Fetched
    };

    Transfer() = default;
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    virtual ~Transfer() = default;

    // True while a request is still executing.
    [[nodiscard]] virtual bool StillExecuting() const = 0;
    // Fetches the body of `url` as raw bytes. Returns once the body has
    // arrived or the request has failed; meanwhile the caller's events (its
    // timers, its window) are handled.
    virtual Result OpenURL(const QString& url) = 0;
    // Ends the running request, if any; its OpenURL returns Cancelled.
    virtual void Cancel() = 0;
};

// The transfer over HTTP(S). Only a 2xx answer counts as fetched: an error
// page is a failure, not a body.
class NetworkTransfer final : public QObject, public Transfer {
    Q_OBJECT

public:
    // The whole request, connection to last byte; a stalled server fails.
    static constexpr std::chrono::milliseconds kTimeout = std::chrono::seconds(30);
    // The version file is a few bytes; anything longer is not one.
    static constexpr qint64 kMaxBodyBytes = 64 * 1024;
    // Redirects are followed, but never from https to http.
    static constexpr QNetworkRequest::RedirectPolicy kRedirectPolicy =
        QNetworkRequest::NoLessSafeRedirectPolicy;

    explicit NetworkTransfer(QObject* parent = nullptr);

    [[nodiscard]] bool StillExecuting() const override;
    Result OpenURL(const QString& url) override;
    void Cancel() override;

private:
    QNetworkAccessManager manager_;
    QPointer<QNetworkReply> reply_;
    bool cancelled_ = false;
};

}  // namespace quillbox::update
