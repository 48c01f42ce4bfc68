#pragma once

// Qt
#include <QString>

class QWidget;

namespace quillbox::widgets {
class UserDialogs;
}

namespace quillbox::update {

class Transfer;

// Shown, with the information icon, when a fetch or its write fails.
inline constexpr const char* kTransferFailed =
    "An error has occured in the file transfer or write.  Please try again later.";

// The name DownloadFile gives the body of `url`: everything after its last
// "/", a query string included; empty when there is no "/" or it ends in one.
QString fileNameOf(const QString& url);

// Fetches the body of `url` through `transfer` into `folder` under
// fileNameOf(url), byte for byte. The file is replaced whole or not at all.
// Returns true when the file now holds the body; false when the transfer was
// busy or cancelled (nothing shown), or when the fetch or the write failed
// (kTransferFailed shown through `dialogs`, once, over `parent`).
bool DownloadFile(Transfer& transfer, const QString& url, const QString& folder,
                  widgets::UserDialogs& dialogs, QWidget* parent);

}  // namespace quillbox::update
