#pragma once
// The main window. Handlers keep the names the program's users and maintainers know
// (cmdMeji_Click, Form_Resize, ...); each reads its controls, calls the subsystem that owns the
// rule and writes its controls. Their bodies live in one file per concern:
//   FrmMain.cpp            controls, start-up, shutdown
//   FrmMain_Layout.cpp     layout, scrolling, background mouse moves
//   FrmMain_Placement.cpp  the window's rectangle: restored, kept, written back
//   FrmMain_Frame.cpp      Execute and Undo
//   FrmMain_View.cpp       zoom, keyboard shortcuts, tooltips
//   FrmMain_Scroll.cpp     the wheel and the view's offset
//   files/FrmMain_Files.cpp     open, drop, save, file dialogs, path fields
//   files/FrmMain_Unsaved.cpp   the question before unsaved frames are thrown away
//   guides/FrmMain_Guides.cpp   marker, mouse picking, parameter boxes
//   registrations/FrmMain_Registrations.cpp   Record and Recall
//   dialogs/FrmMain_ComDlg.cpp  the common-dialog based file procedures

#include <QMainWindow>
#include <QMargins>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/FrameParams.h"
#include "core/PixelSurface.h"
#include "imageio/PictureMetadata.h"

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
class QTimer;
class QWheelEvent;

namespace rimvista {

class C_CommonDialog;
class FileDialogControl;
class GuideMarker;
class PictureBox;
class UndoSnapshot;
class Viewport;
class X11Frame;
struct WindowPicture;

struct FrmMainOptions {
    // Settings file to use; empty means the program's own (beside the executable, or the
    // user's configuration folder when that place cannot be written).
    QString settingsFile;
    // A picture to open once the window is shown, as if it had been dropped on it.
    QString pictureFile;
};

// The options named on the command line: `--settings FILE` and at most one picture (a path or
// a file:// address, as desktop entries pass it).
FrmMainOptions parseCommandLine(const QStringList& arguments);

// The zoom steps offered besides fitting, as fractions of the picture's own size.
inline constexpr double kZoomSteps[] = {0.125, 0.25, 0.5, 1.0, 2.0, 4.0};

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
    QLabel* lblZoom = nullptr;  // beside lblSize: the zoom of the picture shown

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
    // True while a window manager is still to frame the window and put the frame on the stored
    // rectangle.
    bool framePending() const;
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
    // metadata is what a saved copy of the picture keeps.
    void pictureLoaded(PixelSurface picture, files::PictureMetadata metadata = {});
    // Once for each picture opened despite damaged data: the user sees what is shown is not all.
    void tellDamage(const std::optional<Error>& damage);
    void cmdOpen_Click();
    void cmdSave_Click();
    // The save command; true only when the picture was written.
    bool savePicture();
    bool SelectOpenFile();
    bool SelectSaveFile();
    QString GetFolderName(const QString& path) const;
    QString AddExtension(const QString& name) const;
    // SaveFolder, "/", and the bare name of the picture at `picture`.
    QString ProposedSavePath(const QString& picture) const;
    // Drag-over: true when a drop of this data would be accepted (effect 1).
    bool acceptsDrop(const QMimeData* data) const;
    void pictureDropped(const QMimeData* data);  // picCont_/Picture1_OLEDragDrop
    // The file named on the command line, with a drop's steps; it opens when a drop of it would
    // or when its contents are BMP or JPEG whatever its name. A failure names the file and says
    // why.
    void openCommandLineFile(const QString& path);
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

    // ---- unsaved work ----
    // True when frames were painted since the picture was opened or last saved (an Undo back
    // to the saved state counts as saved).
    bool hasUnsavedFrames() const;
    // Before the picture is replaced or the window closes: asks 保存 / 保存しない / キャンセル when
    // there are unsaved frames. True when the work may go (saved, discarded, or nothing to lose).
    bool mayDiscardPicture();

    // ---- zoom and the view ----
    // 0 means fitted to the viewport; otherwise the shown size over the picture's own size.
    // Until the user picks one, each picture opens at 100 % when it fits the viewport and
    // fitted when it does not; a zoom the user picks stays for the next pictures.
    double zoomSetting() const { return m_zoomSetting; }
    double zoomFactor() const;  // the factor in effect (the fitted one when fitting)
    void setZoom(double setting);
    void zoomFit() { setZoom(0); }
    void zoomStep(int steps);
    // Zooms by `steps`, keeping the picture point under `anchor` (viewport client coordinates)
    // where it is.
    void zoomAbout(int steps, QPointF anchor);
    // A wheel turned over the viewport or the picture; `at` in viewport client coordinates.
    void viewportWheel(QWheelEvent* event, QPointF at);
    // Moves the view over the picture by `pixels` (positive: on to the right and down), as far
    // as the picture reaches past the viewport; an axis on which it fits does not move.
    void scrollView(QPoint pixels);
    // Screen pixels one wheel notch scrolls: the system's wheel lines, one text line each.
    int wheelStep() const;
    // The picture back at the viewport's top-left corner, both bars at 0.
    void resetView();

    // ---- registrations ----
    void cmdRec_Click();
    void cmdLoad_Click();

    // ---- common dialog wrapper procedures ----
    bool ComDlgOpenFile();
    bool ComDlgSaveFile();
    C_CommonDialog& ComDlg();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createPanel();
    void connectHandlers();
    void connectParameterBoxes();
    void connectFileHandlers();
    void connectViewHandlers();
    void setToolTips();
    void applyZoom();
    // The zoom a picture of `size` opens at, before it is shown.
    void zoomForNewPicture(QSize size);
    void placeZoomLabel();
    void connectWheels();
    QPoint wheelNotches(const QWheelEvent* event);
    // The picture's edge on one axis for `share` (0..1) of the overflow, shown by the bar; a
    // picture that fits at another zoom than 100 % stays at the near edge.
    int placeAtShare(QScrollBar* bar, double share, int pictureExtent, int viewExtent);
    void markSaved();
    // A dropped or named picture, already read: once the current one may go (the question about
    // unsaved frames), it takes its place with the drop's steps and path fields.
    void replaceWithDropped(const QString& path, WindowPicture&& picture);
    // Empties the parameter boxes' own undo histories (after 実行 and 戻す).
    void forgetTyping();
    // Runs a command that may disable the control with the focus, then gives the focus back to
    // that control, or to `fallback` when it cannot take it any more.
    void keepingFocus(QWidget* fallback, const std::function<void()>& command);
    QRect twipsToPixels(int left, int top, int width, int height) const;
    void restoreWindowRect();
    void rememberNormalRect();
    void queuePlacement();
    void placeOnManagerFigures();
    // The work area of the screen that holds most of `frame`, in the display's own pixels.
    QRect nativeWorkArea(const QRect& frame) const;

    FrmMainOptions m_options;
    bool m_unloaded = false;
    // Last rectangle of the framed window in its normal state, in pixels, the rectangle the
    // stored one was applied as, and the stored twips; an unchanged rectangle writes back the
    // twips exactly as they were read. Pixels may be fractional on a scaled display.
    QRectF m_normalRect;
    QRect m_storedRect;
    QRectF m_restoredRect;
    std::optional<QRect> m_restoredTwips;
    // The window manager's figures on X11, and whether the frame is still to be put on the
    // stored rectangle.
    std::unique_ptr<X11Frame> m_x11;
    bool m_frameFixPending = false;
    bool m_placementQueued = false;
    QTimer* m_managerWake = nullptr;  // while a manager runs and has not taken the window on
    int m_placeRequests = 0;
    // A manager that keeps moving the window elsewhere has the last word after these.
    static constexpr int kPlaceRequests = 4;

    // Undo state of the last Execute.
    // The picture before it: the original pixels of the bands that Execute painted.
    std::unique_ptr<UndoSnapshot> UndoPicture;
    std::array<std::int16_t, 4> UndoWidths{};
    std::array<std::int16_t, 2> UndoX{};
    std::array<std::int16_t, 2> UndoY{};
    std::int16_t UndoKind = 0;

    // Each Execute pushes a new state number and Undo pops it; the picture is saved when the
    // current number is the one that was saved (or opened).
    std::vector<std::uint64_t> m_states{0};
    std::uint64_t m_nextState = 1;
    std::uint64_t m_savedState = 0;
    bool m_pictureFileOpened = false;
    // What the picture's file carried besides its pixels, for the saved copy.
    files::PictureMetadata m_metadata;

    double m_zoomSetting = 1.0;
    bool m_zoomChosen = false;
    QPoint m_wheelRest;  // wheel turns not yet worth a step (fine-grained wheels, touchpads)

    std::unique_ptr<FileDialogControl> m_commonDialog1;
    std::unique_ptr<C_CommonDialog> m_comDlg;
};

}  // namespace rimvista
