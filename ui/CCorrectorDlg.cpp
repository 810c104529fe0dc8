#include "ui/CCorrectorDlg.h"
#include "batch/DecimalNumber.h"

#include "batch/BatchRun.h"
#include "batch/dialogs/CJpegQualityDlg.h"
#include "batch/dialogs/CProgressDlg.h"
#include "batch/dialogs/DialogBatchFrontEnd.h"
#include "codecs/ImageFormats.h"
#include "lens/PixelScale.h"
#include "session/AutoSettings.h"
#include "session/Zoom.h"
#include "framework/Artwork.h"
#include "ui/CAboutDlg.h"
#include "ui/CImageView.h"
#include "framework/CLinkStatic.h"
#include "ui/FileFilter.h"
#include "ui/MakerAddress.h"
#include "framework/PlatformServices.h"
#include "fs/ReadableName.h"
#include "metadata/CorrectionMark.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QResizeEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <QSlider>
#include <QWheelEvent>

#include <filesystem>
#include <cstdio>
#include <iostream>
#include <optional>

namespace fovella {

namespace {

// Template 102.
std::vector<ControlTemplate> CorrectorTemplate()
{
    using K = ControlKind;
    return {
        {kPanelFrame, K::GroupBox, "", 10, 5, 150, 375},
        {kLogo, K::Bitmap, "135", 50, 10, 68, 40},
        {kMakerName, K::Label, "Brennick.", 41, 54, 90, 8},
        {kWebLink, K::Link, kMakerWebText, 45, 66, 84, 11},
        {kOpen, K::PushButton, "&Open", 25, 85, 50, 14},
        {kPrevious, K::PushButton, "<-", 97, 85, 24, 14},
        {kNext, K::PushButton, "->", 121, 85, 24, 14},
        {kSave, K::PushButton, "&Save", 25, 100, 50, 14},
        {kFocalGroup, K::GroupBox, "Focal length (mm)", 25, 125, 120, 35},
        {kFocalEdit, K::FixedEdit, "", 32, 141, 33, 12},
        {kUseExif, K::CheckBox, "Use &EXIF value", 73, 143, 61, 10},
        {kFineTuneGroup, K::GroupBox, "Fine tune", 25, 170, 120, 55},
        {kFineTuneLabel, K::Label, "1.00", 77, 178, 20, 8},
        {kFineTune, K::Trackbar, "", 29, 186, 112, 15},
        {kReset, K::PushButton, "&Reset", 61, 206, 50, 14},
        {kUndistort, K::PushButton, "&Undistort", 25, 230, 50, 14},
        {kUndistortDir, K::PushButton, "Undistort &Dir", 95, 230, 50, 14},
        {kPreviewLabel, K::Label, "Preview:", 15, 250, 28, 8},
        {kPreviewFrame, K::BlackFrame, "", 17, 262, 136, 95},
        {kHelp, K::PushButton, "&Help", 25, 360, 50, 14},
        {kExit, K::PushButton, "E&xit", 95, 360, 50, 14},
        {kImageGroup, K::GroupBox, "Image", 170, 5, 499, 375},
        {kImageFrame, K::BlackFrame, "", 175, 16, 488, 339},
        {kShowOriginal, K::PushLikeCheckBox, "Sho&w Original", 175, 360, 50, 14},
        {kZoomIn, K::PushButton, "+", 375, 360, 15, 14},
        {kZoomOut, K::PushButton, "-", 391, 360, 15, 14},
        {kZoomLabel, K::CentredLabel, "", 409, 363, 22, 8},
        {kFit, K::PushButton, "&Fit", 435, 360, 30, 14},
        {kAuto, K::PushButton, "&Auto", 97, 100, 48, 14},
        {kGrid, K::CheckBox, "&Grid", 229, 362, 32, 10},
        {kOutdatedNote, K::Label, "Changed since Undistort", 47, 250, 100, 8},
    };
}

// String 101.
constexpr const char* kAboutMenuText = "&About Fovella...";

// Window-menu commands, numbered as the window system numbers them.
enum : int { kMinimizeCommand = 0xF020, kMaximizeCommand = 0xF030, kCloseCommand = 0xF060, kRestoreCommand = 0xF120 };

// The dropped file's name as the system's bytes: the first entry of the
// URI list percent-decoded, so that a name that is not valid UTF-8
// (caf%E9.jpg) stays the file's own; QUrl's decoding would put a
// replacement character in its place.
std::string DroppedFileName(const QMimeData& data)
{
    for (QByteArray line : data.data("text/uri-list").split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!line.startsWith("file://"))
            break;
        // After the scheme, an empty host or "localhost", then the path.
        const int path = line.indexOf('/', 7);
        if (path < 0)
            break;
        return QByteArray::fromPercentEncoding(line.mid(path)).toStdString();
    }
    return data.urls().front().toLocalFile().toStdString();
}

}  // namespace

CCorrectorDlg::CCorrectorDlg(PlatformServices& services, QWidget* parent)
    : CTemplateDialog("Fovella", 677, 385, CorrectorTemplate(), services, parent),
      m_previewImage(std::make_shared<DibImage>())
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
}

// No notice of a picture read, nor an estimate's answer, may reach the
// window once it is going.
CCorrectorDlg::~CCorrectorDlg()
{
    StopAuto();
    m_session.SetReadNotice(nullptr);
}

// The controls show the session: what the user changes reaches it through
// the controls' signals, so values are only ever pushed.
void CCorrectorDlg::DoDataExchange(DataExchange& exchange)
{
    if (exchange.Pulling())
        return;
    int useExif = m_session.GetFocalSource() == FocalSource::Exif ? 1 : 0;
    std::string focal = m_session.FocalText();
    int fineTune = m_session.FineTunePosition();
    int showOriginal = m_session.ShowsOriginal() ? 1 : 0;
    int grid = m_session.GridShown() ? 1 : 0;
    exchange.Check(kUseExif, useExif);
    exchange.Text(kFocalEdit, focal);
    exchange.SliderPosition(kFineTune, fineTune);
    exchange.Check(kShowOriginal, showOriginal);
    exchange.Check(kGrid, grid);
}

void CCorrectorDlg::OnInitDialog()
{
    AddSystemMenu();
    setWindowIcon(ApplicationIcon());
    Control<CLinkStatic>(*this, kWebLink)->SetLinkAddress(kMakerWebAddress);

    for (const LayoutRule& rule : WindowLayoutRules()) {
        const QRect rect = FindControl(*this, rule.id)->geometry();
        m_ctrlRects[rule.id] = {rect.x(), rect.y(), rect.width(), rect.height()};
    }
    // Given to the window system, so that a window manager enforces it.
    const auto [minimumWidth, minimumHeight] = MinimumClientSize(
        m_ctrlRects[kGrid], m_ctrlRects[kZoomIn], m_ctrlRects[kPreviewFrame], m_ctrlRects[kExit]);
    setMinimumSize(minimumWidth, minimumHeight);

    m_view = new CImageView(this);
    m_view->Create(FindControl(*this, kImageFrame)->geometry());
    m_preview = new CImageView(this);
    m_preview->Create(FindControl(*this, kPreviewFrame)->geometry());
    m_view->SetHint("Open or drop a photograph to begin");
    m_view->SetWheelHandler([this](int delta, const QPoint& at) { OnMouseWheel(delta, &at); });
    // Pictures are read on the loader's threads; the news reaches this one queued.
    m_session.SetReadNotice(
        [this] { QMetaObject::invokeMethod(this, [this] { OnPictureRead(); }, Qt::QueuedConnection); });

    ShowSession();

    const auto onClick = [this](int id, void (CCorrectorDlg::*command)()) {
        connect(Control<QAbstractButton>(*this, id), &QAbstractButton::clicked, this, [this, command] {
            (this->*command)();
        });
    };
    onClick(kOpen, &CCorrectorDlg::OnOpen);
    onClick(kPrevious, &CCorrectorDlg::OnPrevious);
    onClick(kNext, &CCorrectorDlg::OnNext);
    onClick(kUndistort, &CCorrectorDlg::OnUndistort);
    onClick(kUndistortDir, &CCorrectorDlg::OnUndistortDir);
    onClick(kZoomIn, &CCorrectorDlg::OnZoomIn);
    onClick(kZoomOut, &CCorrectorDlg::OnZoomOut);
    onClick(kFit, &CCorrectorDlg::OnFit);
    onClick(kShowOriginal, &CCorrectorDlg::OnShowOriginal);
    onClick(kGrid, &CCorrectorDlg::OnGrid);
    onClick(kReset, &CCorrectorDlg::OnReset);
    onClick(kUseExif, &CCorrectorDlg::OnUseExif);
    onClick(kSave, &CCorrectorDlg::OnSave);
    onClick(kExit, &CCorrectorDlg::OnExit);
    onClick(kAuto, &CCorrectorDlg::OnAuto);

    connect(Control<QSlider>(*this, kFineTune), &QSlider::valueChanged, this, [this](int position) {
        OnHScroll(position);
    });
    connect(Control<QLineEdit>(*this, kFocalEdit), &QLineEdit::textChanged, this, [this] { OnFocalChanged(); });
    connect(Control<QAbstractButton>(*this, kHelp), &QAbstractButton::clicked, this,
            [this] { Services().ShowHelp(); });
    AddShortcuts();
    // The arrow keys move the slider only once the user clicked it: neither
    // Tab nor an arrow key on a button lands on it.
    Control<QSlider>(*this, kFineTune)->setFocusPolicy(Qt::ClickFocus);
    Control<QWidget>(*this, kOpen)->setFocus();
    installEventFilter(this);
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!control->isWindow())  // the menu keeps its own keys
            control->installEventFilter(this);
}

void CCorrectorDlg::AddShortcuts()
{
    const struct {
        QKeySequence keys;
        int id;
    } shortcuts[] = {
        {Qt::CTRL | Qt::Key_O, kOpen},     {Qt::CTRL | Qt::Key_S, kSave},      {Qt::Key_F1, kHelp},
        {Qt::CTRL | Qt::Key_Plus, kZoomIn}, {Qt::CTRL | Qt::Key_Equal, kZoomIn}, {Qt::CTRL | Qt::Key_Minus, kZoomOut},
        {Qt::CTRL | Qt::Key_0, kFit},      {Qt::CTRL | Qt::Key_Q, kExit},      {Qt::Key_G, kGrid},
    };
    for (const auto& shortcut : shortcuts)
        connect(new QShortcut(shortcut.keys, this), &QShortcut::activated, this,
                [this, id = shortcut.id] { Control<QAbstractButton>(*this, id)->click(); });
}

// The window menu's own entries, then the split view and the about entry,
// each after a separator.
// Linux desktops have no window menu a program may extend, so the menu is
// the dialog's context menu; on Windows the real one gets the entry too.
void CCorrectorDlg::AddSystemMenu()
{
    m_systemMenu = new QMenu(this);
    const struct {
        const char* text;
        int command;
    } entries[] = {{"&Restore", kRestoreCommand}, {"Mi&nimize", kMinimizeCommand},
                   {"Ma&ximize", kMaximizeCommand}, {"&Close", kCloseCommand}};
    QAction* restore = nullptr;
    QAction* maximize = nullptr;
    for (const auto& entry : entries) {
        QAction* action =
            m_systemMenu->addAction(entry.text, this, [this, command = entry.command] { OnSysCommand(command); });
        if (entry.command == kRestoreCommand)
            restore = action;
        else if (entry.command == kMaximizeCommand)
            maximize = action;
    }
    // As in a window menu, only the size changes that apply are offered.
    connect(m_systemMenu, &QMenu::aboutToShow, this, [this, restore, maximize] {
        restore->setEnabled(isMaximized() || isMinimized());
        maximize->setEnabled(!isMaximized());
    });
    m_systemMenu->addSeparator();
    m_splitEntry = m_systemMenu->addAction("S&plit View", this, [this](bool split) { OnSplitView(split); });
    m_splitEntry->setCheckable(true);
    m_systemMenu->addSeparator();
    m_systemMenu->addAction(QString::fromUtf8(kAboutMenuText), this, [this] { OnSysCommand(IDM_ABOUTBOX); });
}

void CCorrectorDlg::contextMenuEvent(QContextMenuEvent* event) { m_systemMenu->exec(event->globalPos()); }

void CCorrectorDlg::OnSysCommand(int command)
{
    switch (command & 0xFFF0) {
    case IDM_ABOUTBOX: {
        CAboutDlg about(Services(), this);
        about.DoModal();
        break;
    }
    case kRestoreCommand: showNormal(); break;
    case kMinimizeCommand: showMinimized(); break;
    case kMaximizeCommand: showMaximized(); break;
    case kCloseCommand: OnCancel(); break;
    default: break;
    }
}

void CCorrectorDlg::ShowSession()
{
    UpdateData(false);
    Control<QLabel>(*this, kFineTuneLabel)
        ->setText(QString::fromStdString(Formatted("%.2f", m_session.FineTune())));
    // A picture being opened is shown at its fit from its first look.
    const PendingOpen* pending = m_session.Pending();
    const QRect room = m_view->GetFullClientRect();
    const double zoom =
        pending ? FitRatio(room.width(), room.height(), pending->fullWidth, pending->fullHeight) : m_session.Zoom();
    Control<QLabel>(*this, kZoomLabel)
        ->setText(m_session.Loaded() || pending ? QString::number(int(zoom * 100)) + "%" : QString());
    const std::string title = pending ? std::string(pending->path) : std::string(m_session.Path());
    setWindowTitle(m_session.Loaded() || pending ? QString::fromStdString(ReadableName(title)) + " - Fovella"
                                                 : "Fovella");
    ShowViewSettings();
    ShowOutdated();
    UpdateControls();
    ShowAutoLines();
}

void CCorrectorDlg::ShowViewSettings()
{
    m_view->SetGridShown(m_session.GridShown());
    m_preview->SetGridShown(m_session.GridShown());
    m_view->SetSplitPicture(m_session.SplitShown() ? m_session.Source() : nullptr);
    m_splitEntry->setChecked(m_session.SplitView());
}

// The preview follows the settings, the image does not until Undistort: the
// note says when they part.
void CCorrectorDlg::ShowOutdated()
{
    FindControl(*this, kOutdatedNote)->setVisible(m_session.CorrectionOutdated());
}

// Every enabled flag, from the session alone. Open, Help and Exit are
// always enabled. While a picture is being read, the commands on it stay
// enabled and wait for it; what belongs to the picture before is off.
void CCorrectorDlg::UpdateControls()
{
    const bool pending = m_session.Pending() != nullptr;
    const bool loaded = m_session.Loaded() || pending;
    EnableControl(*this, kSave, m_session.IsCorrected() && !pending);
    EnableControl(*this, kFocalGroup, loaded);
    EnableControl(*this, kFocalEdit, loaded && m_session.GetFocalSource() != FocalSource::Exif);
    EnableControl(*this, kUseExif, m_session.ExifFocal().has_value() && !pending);
    for (int id : {kFineTuneGroup, kFineTuneLabel, kFineTune, kReset, kUndistort, kUndistortDir, kPreviewLabel})
        EnableControl(*this, id, loaded);
    EnableControl(*this, kPrevious, m_session.HasPrevious());
    EnableControl(*this, kNext, m_session.HasNext());
    EnableControl(*this, kZoomIn, pending || m_session.CanZoomIn());
    EnableControl(*this, kZoomOut, pending || m_session.CanZoomOut());
    EnableControl(*this, kZoomLabel, pending || m_session.ShownExists());
    const QRect room = m_view->GetFullClientRect();
    EnableControl(*this, kFit, !pending && m_session.FitDiffers(room.width(), room.height()));
    EnableControl(*this, kShowOriginal, !pending && loaded && m_session.IsCorrected());
    EnableControl(*this, kAuto, loaded && !m_session.AutoRunning());
    EnableControl(*this, kGrid, loaded);
    m_splitEntry->setEnabled(!pending && m_session.IsCorrected());
}

void CCorrectorDlg::resizeEvent(QResizeEvent* event)
{
    CTemplateDialog::resizeEvent(event);
    OnSize(width(), height());
}

void CCorrectorDlg::OnSize(int cx, int cy)
{
    // Size changes while the dialog is being made find no controls yet.
    if (m_ctrlRects.empty() || cx <= 0 || cy <= 0)
        return;
    for (const LayoutRule& rule : WindowLayoutRules()) {
        const Box box = LaidOut(m_ctrlRects[rule.id], rule, cx, cy);
        FindControl(*this, rule.id)->setGeometry(box.left, box.top, box.width, box.height);
    }
    // The views follow their frames; a fitted picture fits the new room.
    m_view->setGeometry(FindControl(*this, kImageFrame)->geometry());
    m_preview->setGeometry(FindControl(*this, kPreviewFrame)->geometry());
    if (m_session.ZoomIsFit())
        OnFit();
    UpdateControls();
}

void CCorrectorDlg::TellRoom()
{
    const QRect room = m_view->GetFullClientRect();
    m_session.SetRoom(room.width(), room.height());
}

bool CCorrectorDlg::ConfirmDiscard()
{
    if (!m_session.Unsaved())
        return true;
    switch (Services().ShowMessage("Undistorted image has not been saved. Would you like to save it?", "Save",
                                   MessageIcon::Question, MessageButtons::YesNoCancel)) {
    case MessageAnswer::Yes:
        OnSave();
        return !m_session.Unsaved();
    case MessageAnswer::No:
        return true;
    default:
        return false;
    }
}

void CCorrectorDlg::OnExit()
{
    FinishOpen();
    if (ConfirmDiscard())
        CTemplateDialog::OnOK();
}

double CCorrectorDlg::GetFineTuneFactor() const { return m_session.FineTune(); }

double CCorrectorDlg::FocalToPixelScale(float focalMm, const Image& image) const
{
    return PixelScale(focalMm, image.Width(), image.Height(), GetFineTuneFactor());
}

void CCorrectorDlg::OnHScroll(int position)
{
    m_session.SetFineTunePosition(position);
    ShowSession();
    UpdatePreview();
}

void CCorrectorDlg::OnReset()
{
    m_session.SetFineTunePosition(50);
    ShowSession();
    UpdatePreview();
}

// Every change of the text refreshes the preview.
void CCorrectorDlg::OnFocalChanged()
{
    m_session.SetFocalText(Control<QLineEdit>(*this, kFocalEdit)->text().toStdString());
    UpdatePreview();
    ShowOutdated();
}

void CCorrectorDlg::OnUseExif()
{
    const bool checked = Control<QAbstractButton>(*this, kUseExif)->isChecked();
    m_session.SetFocalSource(checked ? FocalSource::Exif : FocalSource::Typed);
    UpdatePreview();
    ShowSession();
}

void CCorrectorDlg::UpdatePreview()
{
    if (!m_session.Loaded() && !m_session.Pending())
        return;
    const QRect room = m_preview->GetFullClientRect();
    m_previewImage = m_session.Preview(room.width(), room.height());
    m_preview->SetImage(m_previewImage, 1.0, 1.0, true);
    ShowAutoLines();
}

void CCorrectorDlg::OnSave()
{
    // A picture read meanwhile has no correction yet.
    FinishOpen();
    if (!m_session.IsCorrected() || !ConfirmSaveOutdated())
        return;
    const std::string& current = m_session.Path();
    const FileDialogRequest request{SaveFileFilter(), GetExtension(current), GetFileStem(current), true,
                                    GetDirectory(current)};
    std::string path;
    if (!Services().AskSaveFileName(request, path))
        return;
    const ImageFileFormat format = CorrectorSession::SaveFormat(path);
    if (format == Unknown) {
        Services().ShowMessage("Wrong file extension!", "Saving error", MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    int quality = 100;
    if (format == Jpeg) {
        CJpegQualityDlg dialog(Services(), this);
        if (dialog.DoModal() != Accepted)
            return;
        quality = dialog.m_nQuality;
    }
    // The wait cursor covers the writing only, not the quality question.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const SessionOutcome saved = m_session.Save(path, quality);
    QGuiApplication::restoreOverrideCursor();
    if (!saved) {
        std::cerr << "fovella: " << saved.reason << "\n";
        Services().ShowMessage("Saving file failed!", "Saving error", MessageIcon::Error, MessageButtons::Ok);
    }
}

bool CCorrectorDlg::OpenImageFile(const std::string& path)
{
    FinishOpen();
    TellRoom();
    const SessionOutcome opened = m_session.Open(path);
    ShowOpened(opened);
    return opened || opened.code == SessionOutcome::Loading;
}

void CCorrectorDlg::FinishOpen()
{
    if (m_session.Pending())
        ShowOpened(m_session.FinishOpen());
}

void CCorrectorDlg::OnPictureRead()
{
    if (m_session.PendingReady())
        ShowOpened(m_session.FinishOpen());
}

void CCorrectorDlg::ShowOpened(const SessionOutcome& opened)
{
    if (opened.code == SessionOutcome::Loading) {
        const PendingOpen& pending = *m_session.Pending();
        const QRect room = m_view->GetFullClientRect();
        const DibImage& look = *pending.glimpse;
        m_view->SetImage(pending.glimpse, FitRatio(room.width(), room.height(), look.Width(), look.Height()),
                         m_session.Zoom(), true);
        UpdatePreview();
    } else if (opened.code == SessionOutcome::OpenFailed) {
        std::cerr << "fovella: " << opened.reason << "\n";
        // A first look shown in its place gives way to the picture before.
        ShowCurrent();
        // What the file is and why it is refused under the window's message;
        // the same in the details, for the user who copies it.
        MessageExtras why{ReadableName(opened.reason), {}, false, {}};
        Services().ShowMessage("Opening file failed!\n" + ReadableName(opened.reason), "Opening error",
                               MessageIcon::Error, MessageButtons::Ok, &why);
    } else if (opened) {
        // Both views turn every picture of this file upright.
        m_view->SetOrientation(m_session.OrientationTag());
        m_preview->SetOrientation(m_session.OrientationTag());
        OnFit();
        UpdatePreview();
    }
    ShowSession();
}

void CCorrectorDlg::ShowCurrent()
{
    if (!m_session.ShownExists()) {
        // An empty picture draws nothing.
        m_view->SetImage(std::make_shared<DibImage>(), 1.0, 1.0, true);
        m_previewImage = std::make_shared<DibImage>();
        m_preview->SetImage(m_previewImage, 1.0, 1.0, true);
        return;
    }
    m_view->SetImage(m_session.Shown(), m_session.Zoom(), m_session.Zoom(), false);
    UpdatePreview();
}

void CCorrectorDlg::OnOpen()
{
    FinishOpen();
    if (!ConfirmDiscard())
        return;
    // Beside the open picture, where its neighbours are.
    const FileDialogRequest request{OpenFileFilter(), "jpg", "", false, GetDirectory(m_session.Path())};
    std::string path;
    if (!Services().AskOpenFileName(request, path))
        return;
    OpenAndSetArrows(path);
}

void CCorrectorDlg::OpenFromOutside(const std::string& path)
{
    // The listing names files by absolute paths; so must the current one.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    OpenAndSetArrows(error ? path : absolute.lexically_normal().string());
}

void CCorrectorDlg::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile())
        event->acceptProposedAction();
}

void CCorrectorDlg::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return;
    event->acceptProposedAction();
    FinishOpen();
    if (ConfirmDiscard())
        OpenFromOutside(DroppedFileName(*event->mimeData()));
}

void CCorrectorDlg::OpenAndSetArrows(const std::string& path)
{
    FinishOpen();
    TellRoom();
    ShowOpened(m_session.OpenInFolder(path));
}

// The steps go on from the picture being opened, once it is current.
void CCorrectorDlg::OnPrevious()
{
    FinishOpen();
    TellRoom();
    if (ConfirmDiscard())
        ShowOpened(m_session.Previous());
}

void CCorrectorDlg::OnNext()
{
    FinishOpen();
    TellRoom();
    if (ConfirmDiscard())
        ShowOpened(m_session.Next());
}

void CCorrectorDlg::OnUndistort()
{
    FinishOpen();
    const SessionOutcome refused = m_session.CheckUndistort();
    if (!refused) {
        Services().ShowMessage(FocalRefusalText(refused), "Undistort", MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    if (!ConfirmCorrectAgain())
        return;
    SessionOutcome corrected;
    {
        CProgressDlg progress(Services(), this);
        m_pProgressDlg = &progress;
        progress.Start(ReadableName(m_session.Path()));
        corrected = m_session.Undistort(&UndistortProgressCallback, this);
        m_pProgressDlg = nullptr;
    }
    if (!corrected) {
        Services().ShowMessage("Not enough memory to undistort the image.", "Undistort", MessageIcon::Error,
                               MessageButtons::Ok);
        return;
    }
    // The correction at the zoom the original was shown at.
    SetZoom(m_session.Zoom(), true);
}

std::string CCorrectorDlg::FocalRefusalText(const SessionOutcome& refused) const
{
    if (refused.code == SessionOutcome::FocalNotFinite)
        return "Focal length should be a finite number.";
    std::string text = "Focal length should be positive.";
    // Text that is no number at all reads as 0: say so rather than let
    // "positive" puzzle whoever typed it.
    if (m_session.TypedFocalNotANumber())
        text += "\nThe focal length typed, \"" + m_session.FocalText() + "\", is not a number.";
    return text;
}

bool CCorrectorDlg::ConfirmCorrectAgain()
{
    const std::optional<double> marked = m_session.MarkedScale();
    if (!marked)
        return true;
    return Services().ShowMessage("This picture was " + AlreadyCorrectedText(*marked) + ".\nCorrect it again?",
                                  "Undistort", MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
}

bool CCorrectorDlg::ConfirmSaveOutdated()
{
    if (!m_session.CorrectionOutdated())
        return true;
    switch (Services().ShowMessage(
        "The image was undistorted with other settings than those shown (scale " +
            Formatted("%.2f", m_session.CorrectedWith().scale) + " px, the settings shown give " +
            Formatted("%.2f", m_session.ScaleFor(m_session.Source()->Width(), m_session.Source()->Height())) +
            " px).\nUndistort it again with the settings shown before saving?\n"
            "No saves the image as it was undistorted.",
        "Save", MessageIcon::Question, MessageButtons::YesNoCancel)) {
    case MessageAnswer::Yes:
        OnUndistort();
        return !m_session.CorrectionOutdated();
    case MessageAnswer::No: return true;
    default: return false;
    }
}

void CCorrectorDlg::OnUndistortDir()
{
    FinishOpen();
    DialogBatchFrontEnd frontEnd(Services(), m_folderBrowser, this, m_session.Path());
    frontEnd.SetFocalRefusalText(FocalRefusalText({SessionOutcome::FocalNotPositive, {}}));
    m_pBatchFrontEnd = &frontEnd;
    BatchRun(frontEnd).RunFolder(m_session.FolderRun());
    m_pBatchFrontEnd = nullptr;
    // The folder's results never replace the window's own correction; a
    // written copy of it only means that nothing is lost on leaving.
    if (frontEnd.SavedCurrentImage())
        m_session.MarkSaved();
    if (m_bCloseAfterRun)
        OnCancel();
}

void CCorrectorDlg::OnCancel()
{
    StopAuto();
    if (m_pBatchFrontEnd) {
        m_bCloseAfterRun = true;
        m_pBatchFrontEnd->Cancel();
        return;
    }
    CTemplateDialog::OnCancel();
}

bool CCorrectorDlg::UndistortProgressCallback(double percent, void* context)
{
    auto* dialog = static_cast<CCorrectorDlg*>(context);
    if (dialog->m_pProgressDlg)
        dialog->m_pProgressDlg->SetProgress(int(percent));
    return true;
}

CorrectorSession::ShowAtZoom CCorrectorDlg::ViewAtZoom(const QPoint* anchor)
{
    const std::optional<QPoint> kept = anchor ? std::optional<QPoint>(*anchor) : std::nullopt;
    return [this, kept](double newZoom, double oldZoom) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const bool shown = m_view->SetImage(m_session.Shown(), newZoom, oldZoom, false, kept ? &*kept : nullptr);
        QGuiApplication::restoreOverrideCursor();
        return shown;
    };
}

bool CCorrectorDlg::ShowZoomed(const SessionOutcome& zoomed)
{
    ShowSession();
    if (zoomed.code != SessionOutcome::TooLargeToShow)
        return true;
    Services().ShowMessage("The image is too large to be shown at this zoom.", "Zoom", MessageIcon::Warning,
                           MessageButtons::Ok);
    return false;
}

// A zoom waits for the whole picture rather than enlarge its first look.
bool CCorrectorDlg::SetZoom(double zoom, bool force)
{
    FinishOpen();
    return ShowZoomed(m_session.SetZoom(zoom, force, ViewAtZoom()));
}

void CCorrectorDlg::OnZoomIn()
{
    FinishOpen();
    ShowZoomed(m_session.StepZoom(+1, ViewAtZoom()));
}

void CCorrectorDlg::OnZoomOut()
{
    FinishOpen();
    ShowZoomed(m_session.StepZoom(-1, ViewAtZoom()));
}

void CCorrectorDlg::OnMouseWheel(int delta, const QPoint* at)
{
    FinishOpen();
    if ((delta > 0 && m_session.CanZoomIn()) || (delta < 0 && m_session.CanZoomOut()))
        ShowZoomed(m_session.StepZoom(delta > 0 ? +1 : -1, ViewAtZoom(at)));
}

// One step per wheel event, however far the wheel turned.
void CCorrectorDlg::wheelEvent(QWheelEvent* event)
{
    OnMouseWheel(event->angleDelta().y());
    CTemplateDialog::wheelEvent(event);
}

void CCorrectorDlg::OnFit()
{
    FinishOpen();
    const QRect room = m_view->GetFullClientRect();
    ShowZoomed(m_session.Fit(room.width(), room.height(), ViewAtZoom()));
}

void CCorrectorDlg::OnShowOriginal() { ShowOriginal(Control<QAbstractButton>(*this, kShowOriginal)->isChecked()); }

void CCorrectorDlg::ShowOriginal(bool original)
{
    FinishOpen();
    m_session.SetShowOriginal(original);
    // Both pictures are drawn at the zoom as they are: nothing is resampled.
    m_view->SetImage(m_session.Shown(), m_session.Zoom(), m_session.Zoom(), false);
    ShowSession();
}

void CCorrectorDlg::OnAuto()
{
    FinishOpen();
    AutoSource source = m_session.StartAuto();
    if (!source.picture)
        return;
    // Busy, not waiting: the window still takes commands.
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_autoRunner.Start(std::move(source), [this](const LineEstimate& estimate) { ShowAutoFound(estimate); });
    UpdateControls();
}

void CCorrectorDlg::ShowAutoFound(const LineEstimate& estimate)
{
    QGuiApplication::restoreOverrideCursor();
    const SessionOutcome applied = m_session.FinishAuto(estimate);
    ShowSession();
    if (applied)
        UpdatePreview();
    if (applied.code != SessionOutcome::NoStraightLines && applied.code != SessionOutcome::NoBarrelDistortion)
        return;
    std::cerr << "fovella: " << applied.reason << "\n";
    // Why, what to do instead, and what still corrects the picture (a focal
    // length typed for the picture before, say), under the message.
    MessageExtras why;
    const std::string still = FocalStillInUse(m_session.ChosenFocal(), m_session.GetFocalSource());
    why.explanation = NothingFoundExplanation(estimate, m_session.Source()->Width(), m_session.Source()->Height()) +
                      (still.empty() ? "" : " " + still);
    Services().ShowMessage(applied.code == SessionOutcome::NoStraightLines ? "No straight lines found"
                                                                           : "No barrel distortion found",
                           "Auto", MessageIcon::Information, MessageButtons::Ok, &why);
}

void CCorrectorDlg::ShowAutoLines()
{
    const std::shared_ptr<DibImage>& shown = m_session.Shown();
    // Over a correction the lines are where its remap put them.
    const double shownScale = shown == m_session.Source() ? 0 : m_session.CorrectedWith().scale;
    m_view->SetOverlay(shown ? m_session.AutoLinesOver(shown->Width(), shown->Height(), shownScale)
                             : std::vector<std::vector<PointF>>());
    const int width = m_previewImage->Width(), height = m_previewImage->Height();
    m_preview->SetOverlay(m_session.AutoLinesOver(width, height, m_session.ScaleFor(width, height)));
}

void CCorrectorDlg::StopAuto()
{
    if (!m_autoRunner.Running())
        return;
    m_autoRunner.Cancel();
    QGuiApplication::restoreOverrideCursor();
    LineEstimate cancelled;
    cancelled.verdict = LineEstimate::Verdict::Cancelled;
    m_session.FinishAuto(cancelled);
}

// The release goes back to what "Show Original" showed before the press.
void CCorrectorDlg::OnSpaceHeld(bool held)
{
    if (held == m_spaceHeld)
        return;
    if (held)
        m_originalBeforeSpace = m_session.ShowsOriginal();
    m_spaceHeld = held;
    ShowOriginal(held || m_originalBeforeSpace);
}

// The space bar is the hold's while there is a correction to compare, and
// in the focal length box always the box's; elsewhere it presses the focused
// button as usual.
bool CCorrectorDlg::eventFilter(QObject* watched, QEvent* event)
{
    const bool keyEvent = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (!keyEvent || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space ||
        dynamic_cast<QLineEdit*>(watched) || !(m_session.IsCorrected() || m_spaceHeld))
        return CTemplateDialog::eventFilter(watched, event);
    if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
        OnSpaceHeld(event->type() == QEvent::KeyPress);
    return true;
}

void CCorrectorDlg::OnGrid()
{
    m_session.SetGridShown(Control<QAbstractButton>(*this, kGrid)->isChecked());
    ShowSession();
}

void CCorrectorDlg::OnSplitView(bool split)
{
    m_session.SetSplitView(split);
    ShowSession();
}

}  // namespace fovella
