#pragma once

// Qt
#include <QString>

// std
#include <functional>

namespace quillbox::update {

class Transfer;

// Shown, with the information icon, when a fetch or its write fails.
inline constexpr const char* kTransferFailed =
    "An error has occured in the file transfer or write.  Please try again later.";

// The name DownloadFile gives the body of `url`: everything after its last
// "/", a query string included; empty when there is no "/" or it ends in one.
QString fileNameOf(const QString& url);

// Starts fetching the body of `url` through `transfer` into `folder` under
// fileNameOf(url), byte for byte, and returns true; once the fetch has ended,
// `done` is told whether the file now holds the body (it is replaced whole or
// not at all; when not, the caller shows kTransferFailed). Returns false,
// doing nothing, while the transfer is busy with an earlier request.
bool DownloadFile(Transfer& transfer, const QString& url, const QString& folder,
                  std::function<void(bool written)> done);

}  // namespace quillbox::update
