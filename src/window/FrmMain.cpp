#include "window/FrmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <utility>

#include "core/IniDraft.h"
#include "core/NumberText.h"
#include "core/SettingsPath.h"
#include "core/UndoSnapshot.h"
#include "core/cInifile.h"
#include "window/C_CommonDialog.h"
#include "window/FileDialogControl.h"
#include "window/GuideMarker.h"
#include "window/PathFunctions.h"
#include "window/PictureBox.h"
#include "window/QtText.h"
#include "window/SettingsLocation.h"
#include "window/Twips.h"
#include "window/Viewport.h"
#include "window/X11Frame.h"

namespace rimvista {

namespace {

// How long closing waits for another copy of the program to finish writing the settings file.
constexpr std::chrono::milliseconds kClosingLockPatience{2000};

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

}  // namespace

FrmMainOptions parseCommandLine(const QStringList& arguments) {
    FrmMainOptions options;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!optionsEnded && a == QLatin1String("--settings")) {
            if (i + 1 < arguments.size()) options.settingsFile = arguments[++i];
        } else if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if ((optionsEnded || !a.startsWith(QLatin1String("--"))) &&
                   options.pictureFile.isEmpty()) {
            options.pictureFile = a.startsWith(QLatin1String("file:")) ? QUrl(a).toLocalFile() : a;
        }
    }
    return options;
}

FrmMain::FrmMain(const FrmMainOptions& options, QWidget* parent)
    : QMainWindow(parent), m_options(options) {
    setObjectName("FrmMain");
    createControls();
    connectHandlers();
    Form_Load();
}

FrmMain::~FrmMain() = default;

QString FrmMain::AppFolder() {
    QString folder = QCoreApplication::applicationDirPath();
    if (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
    return folder;
}

QRect FrmMain::twipsToPixels(int left, int top, int width, int height) const {
    return rimvista::twipsToPixels(QRectF(left, top, width, height),
                                   {TwipsPerPixelX, TwipsPerPixelY});
}

void FrmMain::createControls() {
    const TwipsPerPixel scale = twipsPerPixel(screen());
    TwipsPerPixelX = scale.x;
    TwipsPerPixelY = scale.y;
    auto* central = new QWidget(this);
    central->setObjectName("FrmMainClient");
    central->setMouseTracking(true);
    central->installEventFilter(this);
    setCentralWidget(central);

    picCont = new Viewport(central);
    picCont->setObjectName("picCont");
    picCont->setGeometry(twipsToPixels(180, 240, 5055, 4275));
    Picture1 = new PictureBox(picCont->client());
    Picture1->setObjectName("Picture1");
    sha0 = new GuideMarker(Picture1);
    sha0->setObjectName("sha0");

    VScroll1 = new QScrollBar(Qt::Vertical, central);
    VScroll1->setObjectName("VScroll1");
    VScroll1->setGeometry(twipsToPixels(5220, 240, 255, 4275));
    HScroll1 = new QScrollBar(Qt::Horizontal, central);
    HScroll1->setObjectName("HScroll1");
    HScroll1->setGeometry(twipsToPixels(180, 4500, 5055, 255));
    for (QScrollBar* bar : {VScroll1, HScroll1}) {
        bar->setRange(0, 100);
        bar->setPageStep(10);
        bar->setSingleStep(1);
        // Down and Right must scroll on (value up); Qt's key handling reaches that with
        // inverted controls for the vertical bar only.
        bar->setInvertedControls(bar->orientation() == Qt::Vertical);
        bar->setTracking(false);  // a dragged thumb moves the picture when released
        bar->setFocusPolicy(Qt::StrongFocus);
    }

    lblSize = new QLabel(central);
    lblSize->setObjectName("lblSize");
    lblSize->setGeometry(twipsToPixels(2700, 4800, 2715, 195));
    lblZoom = new QLabel(central);
    lblZoom->setObjectName("lblZoom");
    lblZoom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    createPanel();
    Frame1->setParent(central);
    Frame1->setGeometry(twipsToPixels(5760, 120, 1935, 5235));

    // Keyboard order as designed.
    QWidget* order[] = {chkAuto, txtY[0], txtY[1], txtX[0], txtX[1],  txtW[0], txtW[1],
                        txtW[2], txtW[3], optA[0], optA[1], cmdOpen,  cmdSave, cmdMeji,
                        cmdUndo, cmdRec,  cmdLoad, cmdExit, VScroll1, HScroll1};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    // The window would otherwise start on the first control created, a scroll bar that shows
    // no focus mark.
    chkAuto->setFocus();

    setMinimumSize(twipsToPixels(0, 0, 3500, 5500).size());
    setToolTips();
}

void FrmMain::createPanel() {
    Frame1 = new QGroupBox();
    Frame1->setObjectName("Frame1");
    const auto place = [this](QWidget* w, const QString& name, int l, int t, int wd, int h) {
        w->setParent(Frame1);
        w->setObjectName(name);
        w->setGeometry(twipsToPixels(l, t, wd, h));
    };
    // Outline shapes first, so the boxes lie over them.
    const int shapes[3][4] = {{240, 540, 1455, 855}, {240, 2100, 1455, 855}, {360, 660, 1215, 615}};
    for (int i = 0; i < 3; ++i) {
        Shape1[i] = new QFrame();
        Shape1[i]->setFrameStyle(QFrame::Box | QFrame::Plain);
        Shape1[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        place(Shape1[i], indexed("Shape1", i), shapes[i][0], shapes[i][1], shapes[i][2],
              shapes[i][3]);
    }
    Label1[0] = new QLabel(QStringLiteral("位置"));
    place(Label1[0], indexed("Label1", 0), 120, 180, 735, 195);
    Label1[1] = new QLabel(QStringLiteral("幅"));
    place(Label1[1], indexed("Label1", 1), 120, 1680, 735, 195);
    chkAuto = new QCheckBox(QStringLiteral("自動調整"));
    chkAuto->setChecked(true);
    place(chkAuto, "chkAuto", 720, 180, 1095, 195);

    const auto box = [&](const char* name, int index, const char* text, int l, int t, int w) {
        auto* e = new QLineEdit(QString::fromLatin1(text));
        place(e, indexed(name, index), l, t, w, 315);
        return e;
    };
    txtY[0] = box("txtY", 0, "0", 660, 480, 615);
    txtX[0] = box("txtX", 0, "0", 120, 840, 555);
    txtX[1] = box("txtX", 1, "0", 1260, 840, 555);
    txtY[1] = box("txtY", 1, "0", 660, 1200, 615);
    txtW[0] = box("txtW", 0, "5", 660, 1980, 615);
    txtW[2] = box("txtW", 2, "5", 120, 2400, 555);
    txtW[3] = box("txtW", 3, "5", 1260, 2400, 555);
    txtW[1] = box("txtW", 1, "5", 660, 2820, 615);

    optA[0] = new QRadioButton(QStringLiteral("凸"));
    place(optA[0], indexed("optA", 0), 360, 3300, 555, 255);
    optA[1] = new QRadioButton(QStringLiteral("凹"));
    place(optA[1], indexed("optA", 1), 1080, 3300, 555, 255);
    optA[0]->setChecked(true);

    const auto button = [&](const char* name, const char* caption, int l, int t, int w,
                            bool enabled) {
        auto* b = new QPushButton(QString::fromUtf8(caption));
        place(b, QString::fromLatin1(name), l, t, w, 315);
        b->setEnabled(enabled);
        b->setAutoDefault(false);
        return b;
    };
    cmdOpen = button("cmdOpen", "開く", 240, 3720, 735, true);
    cmdSave = button("cmdSave", "保存", 1020, 3720, 735, false);
    cmdMeji = button("cmdMeji", "実行", 240, 4080, 735, false);
    cmdUndo = button("cmdUndo", "戻す", 1020, 4080, 735, false);
    cmdRec = button("cmdRec", "記録", 240, 4440, 735, false);
    cmdLoad = button("cmdLoad", "再生", 1020, 4440, 735, false);
    cmdExit = button("cmdExit", "終了", 240, 4800, 1515, true);
}

void FrmMain::connectHandlers() {
    connect(cmdExit, &QPushButton::clicked, this, &FrmMain::cmdExit_Click);
    connect(HScroll1, &QScrollBar::valueChanged, this, &FrmMain::HScroll1_Change);
    connect(VScroll1, &QScrollBar::valueChanged, this, &FrmMain::VScroll1_Change);
    // Disabling the panel (or the pressed button) while a command runs sends the focus away;
    // it comes back when the command ends.
    connect(cmdMeji, &QPushButton::clicked, this,
            [this] { keepingFocus(cmdUndo, [this] { cmdMeji_Click(); }); });
    connect(cmdUndo, &QPushButton::clicked, this,
            [this] { keepingFocus(cmdMeji, [this] { cmdUndo_Click(); }); });
    connect(cmdRec, &QPushButton::clicked, this, &FrmMain::cmdRec_Click);
    connect(cmdLoad, &QPushButton::clicked, this,
            [this] { keepingFocus(cmdLoad, [this] { cmdLoad_Click(); }); });
    connectFileHandlers();
    connectParameterBoxes();
    connectViewHandlers();
}

void FrmMain::Form_Load() {
    setWindowTitle(QStringLiteral("Rimvista   [Ver.%1.%2.%3]")
                       .arg(RIMVISTA_VERSION_MAJOR)
                       .arg(RIMVISTA_VERSION_MINOR)
                       .arg(RIMVISTA_VERSION_PATCH));
    const QString appFolder = AppFolder();
    Ini().FileName(
        toUtf8(m_options.settingsFile.isEmpty() ? defaultSettingsPath() : m_options.settingsFile));
    restoreWindowRect();
    Picture1->move(0, 0);

    const auto remembered = [&](const char* key) {
        const std::string stored = Ini().ReadStr("Folder", key, toUtf8(appFolder));
        return fromUtf8(firstFolder(stored, paths::FolderExists(stored), toUtf8(appFolder)));
    };
    DataFolder = remembered("DataFolder");
    SaveFolder = remembered("SaveFolder");
}

void FrmMain::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;

    // Not moved or resized since start, and restored as stored: the exact figures read.
    const QRectF twips =
        m_restoredTwips && m_restoredRect == QRectF(m_storedRect) && m_normalRect == m_restoredRect
            ? QRectF(*m_restoredTwips)
            : QRectF(m_normalRect.x() * double(TwipsPerPixelX),
                     m_normalRect.y() * double(TwipsPerPixelY),
                     m_normalRect.width() * double(TwipsPerPixelX),
                     m_normalRect.height() * double(TwipsPerPixelY));
    const auto text = [](double v) { return num::formatSingle(static_cast<float>(v)); };
    // The six values as one change of the file: all of them or none is written, under one wait
    // for the lock that a copy of the program holding it cannot stretch past closing time.
    Ini().Update(
        [&](IniDraft& d) {
            d.WriteStr("Folder", "DataFolder", toUtf8(DataFolder));
            d.WriteStr("Folder", "SaveFolder", toUtf8(SaveFolder));
            d.WriteStr("Position", "Top", text(twips.y()));
            d.WriteStr("Position", "Left", text(twips.x()));
            d.WriteStr("Position", "Width", text(twips.width()));
            d.WriteStr("Position", "Height", text(twips.height()));
            return true;
        },
        kClosingLockPatience);
    m_comDlg.reset();
}

void FrmMain::cmdExit_Click() {
    close();
}

void FrmMain::pictureLoaded(PixelSurface picture, files::PictureMetadata metadata) {
    m_metadata = std::move(metadata);
    zoomForNewPicture(QSize(picture.width(), picture.height()));
    Picture1->setPicture(std::move(picture));
    applyZoom();  // a chosen zoom stays for the next picture; fitting fits the new one
    Form_Resize();
    lblSize->setText(
        QStringLiteral(" %1 \u00D7  %2")
            .arg(fromUtf8(num::formatSingle(static_cast<float>(Picture1->ScaleWidth()))),
                 fromUtf8(num::formatSingle(static_cast<float>(Picture1->ScaleHeight())))));
    for (QLineEdit* w : txtW) w->setText(QStringLiteral("5"));
    // Order matters: each position box's change handler moves the marker as it is set.
    for (QLineEdit* p : {txtX[0], txtY[0], txtX[1], txtY[1]}) p->setText(QStringLiteral("0"));
    FrameHistory.clear();
    m_states.assign(1, m_nextState++);
    markSaved();
    cmdMeji->setEnabled(true);
    cmdLoad->setEnabled(true);
    cmdSave->setEnabled(true);
    cmdUndo->setEnabled(false);
    UpdateGuide(2);
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (!m_unloaded && !mayDiscardPicture()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void FrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // A window manager frames the window once it is shown, and says so in the properties it
    // keeps on it; each change of them brings the placement a step on.
    queuePlacement();
    if (m_managerWake) m_managerWake->start();
    if (m_options.pictureFile.isEmpty()) return;
    // Once the window stands, so that a message about the file has the window to sit on.
    QTimer::singleShot(0, this, [this, file = std::exchange(m_options.pictureFile, {})] {
        openCommandLineFile(file);
    });
}

}  // namespace rimvista
