#pragma once

// Qt
#include <QByteArray>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>

// std
#include <chrono>
#include <functional>
#include <optional>

namespace quillbox::update {

// The internet transfer component (Inet1): one request at a time, fetched
// whole while the caller goes on handling its events.
class Transfer {
public:
    // The whole body, or nothing when the request failed.
    using Done = std::function<void(const std::optional<QByteArray>& body)>;

    Transfer() = default;
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    virtual ~Transfer() = default;

    // True while a request is still executing.
    [[nodiscard]] virtual bool StillExecuting() const = 0;
    // Starts fetching the body of `url` as raw bytes and returns. `done` is
    // called once the body has arrived or the request has failed, from the
    // event loop, never from within OpenURL.
    virtual void OpenURL(const QString& url, Done done) = 0;
    // Ends the running request, if any, without calling its `done`.
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
    ~NetworkTransfer() override;

    [[nodiscard]] bool StillExecuting() const override;
    void OpenURL(const QString& url, Done done) override;
    void Cancel() override;

private:
    QNetworkAccessManager manager_;
    QPointer<QNetworkReply> reply_;
    QMetaObject::Connection finished_;
};

}  // namespace quillbox::update
