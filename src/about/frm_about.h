#pragma once

// own
#include "widgets/services.h"

// Qt
#include <QDialog>

class QLabel;
class QPushButton;

namespace quillbox::about {

// The About box: the program's name and version, the author, a link to the
// web site, and a button that starts the system information tool.
//
// Object names are the program's control names; the control array Line1
// becomes "Line1_0" (the white line) and "Line1_1" (the grey one above it).
class frmAbout final : public QDialog {
    Q_OBJECT

public:
    // What `services` refers to must outlive the box.
    explicit frmAbout(const widgets::Services& services, QWidget* parent = nullptr);

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void Label3_Click();

private:
    void buildControls();

    widgets::Services services_;
    QLabel* lblVersion_ = nullptr;
};

}  // namespace quillbox::about
