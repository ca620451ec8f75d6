#pragma once
// The main window. Handlers keep the names the program's users and maintainers know
// (cmdMeji_Click, Form_Resize, ...); each reads its controls, calls the subsystem that owns the
// rule and writes its controls. Their bodies live in one file per concern:
//   FrmMain.cpp            controls, start-up, shutdown
//   FrmMain_Layout.cpp     layout, scrolling, background mouse moves
//   FrmMain_Frame.cpp      Execute and Undo
//   files/FrmMain_Files.cpp     open, drop, save, file dialogs, path fields
//   guides/FrmMain_Guides.cpp   marker, mouse picking, parameter boxes
//   registrations/FrmMain_Registrations.cpp   Record and Recall
//   dialogs/FrmMain_ComDlg.cpp  the common-dialog based file procedures

#include <QMainWindow>
#include <QMargins>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "engine/FrameParams.h"
#include "engine/PixelSurface.h"

class QCheckBox;
class QDragMoveEvent;
class QDropEvent;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace rimvista {

class C_CommonDialog;
class FileDialogControl;
class GuideMarker;
class PictureBox;
class UndoSnapshot;
class Viewport;

struct FrmMainOptions {
    // Settings file to use; empty means the program's own (beside the executable, or the
    // user's configuration folder when that place cannot be written).
    QString settingsFile;
};

class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit FrmMain(const FrmMainOptions& options = {}, QWidget* parent = nullptr);
    ~FrmMain() override;

    // ---- controls, named as designed (each also carries its name as objectName) ----
    QGroupBox* Frame1 = nullptr;
    std::array<QLabel*, 2> Label1{};
    QCheckBox* chkAuto = nullptr;
    std::array<QLineEdit*, 4> txtW{};
    std::array<QLineEdit*, 2> txtX{};
    std::array<QLineEdit*, 2> txtY{};
    std::array<QFrame*, 3> Shape1{};
    std::array<QRadioButton*, 2> optA{};
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdMeji = nullptr;
    QPushButton* cmdUndo = nullptr;
    QPushButton* cmdRec = nullptr;
    QPushButton* cmdLoad = nullptr;
    QPushButton* cmdExit = nullptr;
    Viewport* picCont = nullptr;
    PictureBox* Picture1 = nullptr;
    GuideMarker* sha0 = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QLabel* lblSize = nullptr;

    // ---- window state ----
    QString DataFolder;
    QString SaveFolder;
    QString PictureFile;
    QString SaveFile;
    float TwipsPerPixelX = 15.0f;
    float TwipsPerPixelY = 15.0f;
    rimvista::FrameHistory FrameHistory;  // element 0 unused, 1..n the applications
    bool ExecuteAborted = false;
    bool PickingByMouse = false;

    // The folder holding the executable, without a trailing "/" (except for the root).
    static QString AppFolder();

    // ---- start-up and shutdown ----
    void Form_Load();
    void Form_Unload();
    void cmdExit_Click();

    // ---- layout ----
    void Form_Resize();
    void HScroll1_Change();
    void VScroll1_Change();
    void Form_MouseMove();

    // ---- frame engine ----
    void cmdMeji_Click();
    void cmdUndo_Click();

    // ---- files ----
    // The steps after a picture was loaded by the open command or a drop: show it, reset the
    // view, the size label, the parameters and the history, enable the picture commands.
    void pictureLoaded(PixelSurface picture);
    void cmdOpen_Click();
    void cmdSave_Click();
    bool SelectOpenFile();
    bool SelectSaveFile();
    QString GetFolderName(const QString& path) const;
    QString AddExtension(const QString& name) const;
    // SaveFolder, "/", and the bare name of the picture at `picture`.
    QString ProposedSavePath(const QString& picture) const;
    // Drag-over: true when a drop of this data would be accepted (effect 1).
    bool acceptsDrop(const QMimeData* data) const;
    void pictureDropped(const QMimeData* data);  // picCont_/Picture1_OLEDragDrop
    FileDialogControl& CommonDialog1();

    // ---- guides and parameter boxes ----
    void UpdateGuide(std::int16_t which);
    void Picture1_MouseMove();
    void picCont_MouseMove();
    void Picture1_MouseDown(Qt::MouseButton button, float x, float y);
    void txtX_Change(int index);
    void txtY_Change(int index);
    void txtW_GotFocus(int index);
    void txtX_GotFocus(int index);
    void txtY_GotFocus(int index);

    // ---- registrations ----
    void cmdRec_Click();
    void cmdLoad_Click();

    // ---- common dialog wrapper procedures ----
    bool ComDlgOpenFile();
    bool ComDlgSaveFile();
    C_CommonDialog& ComDlg();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createPanel();
    void connectHandlers();
    void connectParameterBoxes();
    void connectFileHandlers();
    QRect twipsToPixels(int left, int top, int width, int height) const;
    void restoreWindowRect();
    void rememberNormalRect();
    void applyRestoredFrame();
    void watchForFrame(int triesLeft);
    QMargins frameMargins() const;

    FrmMainOptions m_options;
    bool m_unloaded = false;
    // Last rectangle of the window in its normal state, in twips, and the pixel rectangle it
    // was applied as; unchanged pixels write back the twips exactly as they were read.
    QRect m_normalRectPx;
    std::optional<QRect> m_restoredTwips;
    QRect m_restoredPx;
    // Frame margins known when the rectangle was restored, and whether a window manager may
    // still frame the window differently (then the rectangle is applied again).
    QMargins m_assumedFrame;
    bool m_frameFixPending = false;

    // Undo state of the last Execute.
    // The picture before it: the original pixels of the bands that Execute painted.
    std::unique_ptr<UndoSnapshot> UndoPicture;
    std::array<std::int16_t, 4> UndoWidths{};
    std::array<std::int16_t, 2> UndoX{};
    std::array<std::int16_t, 2> UndoY{};
    std::int16_t UndoKind = 0;

    std::unique_ptr<FileDialogControl> m_commonDialog1;
    std::unique_ptr<C_CommonDialog> m_comDlg;
};

}  // namespace rimvista
