#pragma once

// own
#include "update/transfer.h"

// Qt
#include <QObject>
#include <QString>

// std
#include <memory>

class QTemporaryDir;

namespace quillbox::update {

// Said when the version file holds no version.
inline constexpr const char* kUnreadable = "The update server's answer could not be read.";

// The update check's steps, without a window: fetches the version file,
// reads the version in it, compares it with the running one and reports as
// it goes. The version file's local copy lives in a folder of its own, gone
// when the check ends.
class UpdateCheck final : public QObject {
    Q_OBJECT

public:
    UpdateCheck(std::unique_ptr<Transfer> transfer, QString versionUrl, QObject* parent = nullptr);
    ~UpdateCheck() override;

    // Starts a check and returns. It ends with failed or answered: at once
    // when the transfer is busy, otherwise when the fetch's answer arrives.
    void start();
    // Ends a running check; it reports nothing more.
    void cancel();
    // True while the version file is being fetched.
    [[nodiscard]] bool fetching() const { return transfer_->StillExecuting(); }

Q_SIGNALS:
    // The step reached, 1 while the version file is fetched, 2 while it is
    // read, and the transfer status phrase that goes with it.
    void stepReached(int step, const QString& status);
    // No version file: `message` (kTransferFailed) is for the user, with the
    // information icon; it is empty when the transfer was busy.
    void failed(const QString& message);
    // The answer to show: whether there is an update, or kUnreadable.
    void answered(const QString& result);

private:
    void fetched(bool written);

    std::unique_ptr<Transfer> transfer_;
    QString versionUrl_;
    std::unique_ptr<QTemporaryDir> folder_;
};

}  // namespace quillbox::update
