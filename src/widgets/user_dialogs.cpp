// own
#include "widgets/user_dialogs.h"

// Qt
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>

namespace quillbox::widgets {

namespace {

// Qt's own dialog matches name filters without regard to case on every
// platform; a native one (GTK's) would hide game.psu behind "*.PSU". Only the
// description is shown, as the filter names it.
constexpr QFileDialog::Options kFileDialogOptions =
    QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails;

QString filter(const QString& description, const QString& patterns)
{
    return description + QStringLiteral(" (") + patterns + QStringLiteral(")");
}

// A modal box: OK only, the program title as caption.
void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, QStringLiteral("Quillbox"), QString(), QMessageBox::Ok, parent);
    // Plain text: messages quote file names, which must not be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.exec();
}

}  // namespace

QtUserDialogs::QtUserDialogs()
{
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, settings_.path());
    }
}

QString QtUserDialogs::openFileName(QWidget* parent, const QString& description,
                                    const QString& patterns)
{
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter(description, patterns),
                                        nullptr, kFileDialogOptions);
}

QString QtUserDialogs::saveFileName(QWidget* parent, const QString& description,
                                    const QString& patterns)
{
    return QFileDialog::getSaveFileName(parent, QString(), QString(), filter(description, patterns),
                                        nullptr, kFileDialogOptions);
}

void QtUserDialogs::message(QWidget* parent, const QString& text)
{
    showMessage(parent, QMessageBox::NoIcon, text);
}

void QtUserDialogs::information(QWidget* parent, const QString& text)
{
    showMessage(parent, QMessageBox::Information, text);
}

}  // namespace quillbox::widgets
