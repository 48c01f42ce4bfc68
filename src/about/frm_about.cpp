// own
#include "about/frm_about.h"
#include "about/sys_info.h"
#include "quillbox/version.h"
#include "shell/shell_open.h"
#include "widgets/link_label.h"
#include "widgets/user_dialogs.h"
#include "widgets/window_icon.h"

// Qt
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRect>
#include <QString>

// std
#include <optional>
#include <string>

namespace quillbox::about {

namespace {

void setColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setGeometry(geometry);
    return label;
}

// The geometry is fixed and the desktop's font is not: shrink a wrapped
// label's font until its text fits the label.
void shrinkToFit(QLabel* label)
{
    QFont font = label->font();
    const auto height = [&] {
        return QFontMetrics(font)
            .boundingRect(label->rect(), Qt::TextWordWrap, label->text())
            .height();
    };
    while (font.pointSizeF() > 6 && height() > label->height()) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    label->setFont(font);
}

// A line drawn as a filled strip of its width in pixels.
void addLine(QWidget* parent, const char* name, const QColor& color, const QRect& geometry)
{
    auto* line = new QWidget(parent);
    line->setObjectName(QLatin1String(name));
    line->setAutoFillBackground(true);
    setColor(line, QPalette::Window, color);
    line->setGeometry(geometry);
}

}  // namespace

frmAbout::frmAbout(const widgets::Services& services, QWidget* parent)
    : QDialog(parent), services_(services)
{
    setObjectName(QStringLiteral("frmAbout"));
    // A fixed dialog border: a close box, no minimize or maximize button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(331, 237);
    setWindowIcon(widgets::programIcon());
    setWindowTitle(QStringLiteral("About MyApp"));
    buildControls();
    Form_Load();
}

void frmAbout::buildControls()
{
    lblVersion_ = addLabel(this, "lblVersion", QStringLiteral("Version"), {22, 12, 259, 15});
    QLabel* description = addLabel(this, "lblDescription",
                                   QStringLiteral("Quillbox allows you to extract the individual "
                                                  "data sections contained within PS2 saves"),
                                   {22, 35, 259, 30});
    description->setWordWrap(true);
    shrinkToFit(description);
    setColor(description, QPalette::WindowText, Qt::black);
    addLabel(this, "Label1", QStringLiteral("varnel"), {24, 80, 265, 17});
    addLabel(this, "Label2", QString::fromUtf8(settings::contact_email), {24, 104, 265, 17});
    auto* link = new widgets::LinkLabel(QString::fromUtf8(settings::website_host), this,
                                        [this] { Label3_Click(); });
    link->setObjectName(QStringLiteral("Label3"));
    link->setGeometry(24, 136, 273, 17);

    // The etched separator: grey over white, both running past the right edge.
    addLine(this, "Line1_1", QColor(128, 128, 128), {6, 163, 371, 1});
    addLine(this, "Line1_0", Qt::white, {7, 164, 370, 2});
    setColor(addLabel(this, "lblDisclaimer", QString(), {17, 175, 210, 55}), QPalette::WindowText,
             Qt::black);

    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(235, 175, 84, 23);
    // Enter presses the default button; QDialog sends Esc to reject(), which
    // closes the box just as OK does.
    cmdOK->setDefault(true);
    cmdOK->setFocus();
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    auto* cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(236, 205, 83, 23);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About Quillbox"));
    lblVersion_->setText(QStringLiteral("Version ") + QLatin1String(version::text));
}

void frmAbout::cmdOK_Click() { close(); }

void frmAbout::cmdSysInfo_Click()
{
    if (const std::optional<std::string> message = StartSysInfo(services_.desktop)) {
        services_.dialogs.message(this, QString::fromStdString(*message));
    }
}

void frmAbout::Label3_Click()
{
    static_cast<void>(shell::ShellOpen(services_.desktop.shell, settings::website_address));
}

}  // namespace quillbox::about
