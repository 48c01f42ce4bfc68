#pragma once

// own
#include "saves/save_state.h"
#include "widgets/services.h"

// Qt
#include <QMainWindow>
#include <QPointer>

// std
#include <array>

class QAction;
class QButtonGroup;
class QCloseEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QGroupBox;
class QMenu;
class QPushButton;
class QRadioButton;

namespace quillbox::app {

// The main window. It owns the save state and shows it: the frame caption
// and the 18 section slots. The hidden fields (txtload, start, length...)
// stay in the SaveState and never reach a widget.
//
// Object names are the program's control names; the control array Option1
// becomes "Option1_0" ... "Option1_17", index 0 at the top.
class Form1 final : public QMainWindow {
    Q_OBJECT

public:
    // What `services` refers to must outlive the window.
    explicit Form1(const widgets::Services& services, QWidget* parent = nullptr);

    [[nodiscard]] const saves::SaveState& state() const { return state_; }

    void Form_Load();
    void mnuFileOpen_Click();
    // File, Open from the moment its dialog has returned `path`: the road a
    // save given on the command line or dropped on the window takes too.
    void openSave(const QString& path);
    void cmdExtract_Click();
    void mnuFileExtract_Click();
    void extract_data();
    void mnuFileExit_Click();
    void Form_Unload();
    void mnuProgramUpdate_Click();
    void mnuProgramAbout_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    // A single file dropped on the window is opened as File, Open would;
    // anything else is refused before it is dropped.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption,
                         void (Form1::*handler)());
    // Shows the state on the widgets; called after every change of it.
    void refresh();

    widgets::Services services_;
    widgets::UserDialogs& dialogs_;
    saves::SaveState state_;
    bool refreshing_ = false;

    QGroupBox* Frame1_ = nullptr;
    std::array<QRadioButton*, saves::kSlotCount> Option1_{};
    QButtonGroup* Option1Group_ = nullptr;
    QPushButton* cmdExtract_ = nullptr;

    QPointer<QWidget> liveu_;
    QPointer<QWidget> frmAbout_;
};

}  // namespace quillbox::app
