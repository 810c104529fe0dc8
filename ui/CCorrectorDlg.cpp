#include "ui/CCorrectorDlg.h"

#include "batch/BatchRun.h"
#include "batch/dialogs/CJpegQualityDlg.h"
#include "batch/dialogs/CProgressDlg.h"
#include "batch/dialogs/DialogBatchFrontEnd.h"
#include "codecs/ImageFile.h"
#include "codecs/ImageFormats.h"
#include "exif/ExifReader.h"
#include "fs/DirectoryScanner.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"
#include "framework/Artwork.h"
#include "ui/CAboutDlg.h"
#include "ui/CImageView.h"
#include "framework/CLinkStatic.h"
#include "ui/FileFilter.h"
#include "ui/ImageViewLayout.h"
#include "ui/MakerAddress.h"
#include "framework/PlatformServices.h"

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
#include <QMenu>
#include <QSlider>
#include <QWheelEvent>

#include <cmath>
#include <filesystem>
#include <cstdio>
#include <iostream>
#include <thread>

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
    };
}

// String 101.
constexpr const char* kAboutMenuText = "&About Fovella...";

// Window-menu commands, numbered as the window system numbers them.
enum : int { kMinimizeCommand = 0xF020, kMaximizeCommand = 0xF030, kCloseCommand = 0xF060, kRestoreCommand = 0xF120 };

std::string Formatted(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

CCorrectorDlg::CCorrectorDlg(PlatformServices& services, QWidget* parent)
    : CTemplateDialog("Fovella", 677, 385, CorrectorTemplate(), services, parent),
      m_source(std::make_shared<DibImage>()),
      m_corrected(std::make_shared<DibImage>()),
      m_previewImage(std::make_shared<DibImage>())
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
}

CCorrectorDlg::~CCorrectorDlg() = default;

void CCorrectorDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Check(kUseExif, m_bUseExif);
    exchange.Text(kFocalEdit, m_strFocal);
    exchange.SliderPosition(kFineTune, m_nFineTune);
    exchange.Check(kShowOriginal, m_bShowOriginal);
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
        m_ctrlRects[kShowOriginal], m_ctrlRects[kZoomIn], m_ctrlRects[kPreviewFrame], m_ctrlRects[kExit]);
    setMinimumSize(minimumWidth, minimumHeight);

    m_view = new CImageView(this);
    m_view->Create(FindControl(*this, kImageFrame)->geometry());
    m_preview = new CImageView(this);
    m_preview->Create(FindControl(*this, kPreviewFrame)->geometry());

    m_bLoaded = 0;
    m_bCorrected = 0;
    m_bSaved = 1;
    UpdateControls();
    for (int id : {kPrevious, kNext, kUseExif})
        EnableControl(*this, id, false);
    m_zoomSteps = {1, 2, 3, 4, 5, 6, 8, 12, 17, 25, 33, 50, 67, 100, 125, 150, 200, 300, 400, 500};
    m_nZoomIndex = 0;

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
    onClick(kReset, &CCorrectorDlg::OnReset);
    onClick(kUseExif, &CCorrectorDlg::OnUseExif);
    onClick(kSave, &CCorrectorDlg::OnSave);
    onClick(kExit, &CCorrectorDlg::OnExit);

    connect(Control<QSlider>(*this, kFineTune), &QSlider::valueChanged, this, [this] { OnHScroll(); });
    // OnFocalChanged: every change of the text refreshes the preview.
    connect(Control<QLineEdit>(*this, kFocalEdit), &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
    connect(Control<QAbstractButton>(*this, kHelp), &QAbstractButton::clicked, this,
            [this] { Services().ShowHelp(); });
}

// The window menu's own entries, then the about entry after a separator.
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

bool CCorrectorDlg::ShownImageExists() const { return m_bShowOriginal ? m_bLoaded : m_bCorrected; }

const std::shared_ptr<DibImage>& CCorrectorDlg::ShownImage() const
{
    return m_bShowOriginal ? m_source : m_corrected;
}

void CCorrectorDlg::UpdateControls()
{
    EnableControl(*this, kSave, m_bCorrected);
    EnableControl(*this, kFocalGroup, m_bLoaded);
    EnableControl(*this, kFocalEdit, m_bLoaded && !m_bUseExif);
    for (int id : {kFineTuneGroup, kFineTuneLabel, kFineTune, kReset, kUndistort, kUndistortDir, kPreviewLabel})
        EnableControl(*this, id, m_bLoaded);
    UpdateData(true);
    const bool shown = ShownImageExists();
    EnableControl(*this, kZoomIn, shown && m_nZoomIndex < kLastZoomStep);
    EnableControl(*this, kZoomOut, shown && m_nZoomIndex > 0);
    EnableControl(*this, kZoomLabel, shown);
    EnableControl(*this, kFit, FitDiffers());
    EnableControl(*this, kShowOriginal, m_bLoaded && m_bCorrected);
}

// The shown image exists and is not at the zoom that fits it into the view.
bool CCorrectorDlg::FitDiffers()
{
    if (!ShownImageExists())
        return false;
    const QRect full = m_view->GetFullClientRect();
    return m_dZoom != FitRatio(full.width(), full.height(), ShownImage()->Width(), ShownImage()->Height());
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
    // The views follow their frames.
    m_view->setGeometry(FindControl(*this, kImageFrame)->geometry());
    m_preview->setGeometry(FindControl(*this, kPreviewFrame)->geometry());
    UpdateData(true);
    EnableControl(*this, kFit, FitDiffers());
}

bool CCorrectorDlg::ConfirmDiscard()
{
    if (!m_bCorrected || m_bSaved)
        return true;
    switch (Services().ShowMessage("Undistorted image has not been saved. Would you like to save it?", "Save",
                                   MessageIcon::Question, MessageButtons::YesNoCancel)) {
    case MessageAnswer::Yes:
        OnSave();
        return m_bSaved != 0;
    case MessageAnswer::No:
        return true;
    default:
        return false;
    }
}

void CCorrectorDlg::OnExit()
{
    if (ConfirmDiscard())
        CTemplateDialog::OnOK();
}

double CCorrectorDlg::GetFineTuneFactor()
{
    UpdateData(true);
    return FineTuneFactor(m_nFineTune);
}

double CCorrectorDlg::FocalToPixelScale(float focalMm, const Image& image)
{
    return PixelScale(focalMm, image.Width(), image.Height(), GetFineTuneFactor());
}

void CCorrectorDlg::SetFineTuneLabel()
{
    Control<QLabel>(*this, kFineTuneLabel)
        ->setText(QString::fromStdString(Formatted("%.2f", GetFineTuneFactor())));
}

void CCorrectorDlg::OnHScroll()
{
    SetFineTuneLabel();
    UpdateData(false);
    UpdatePreview();
}

void CCorrectorDlg::OnReset()
{
    m_nFineTune = 50;
    UpdateData(false);
    SetFineTuneLabel();
    UpdateData(false);
    UpdatePreview();
}

float CCorrectorDlg::ChosenFocal()
{
    UpdateData(true);
    return m_bUseExif ? m_fExifFocal : ReadFocalText(m_strFocal);
}

void CCorrectorDlg::UpdatePreview()
{
    if (!m_bLoaded)
        return;
    const QRect full = m_preview->GetFullClientRect();
    auto reduced = std::make_shared<DibImage>();
    m_source->ScaleBy(FitRatio(full.width(), full.height(), m_source->Width(), m_source->Height()), *reduced);
    m_previewImage = reduced;
    const float focal = ChosenFocal();
    if (focal > 0) {
        // A scale the remap refuses (an infinite EXIF value) leaves the
        // preview uncorrected, as a focal length that is not positive does.
        auto corrected = std::make_shared<DibImage>();
        if (LensModel().Undistort(*reduced, *corrected, FocalToPixelScale(focal, *reduced), nullptr, nullptr))
            m_previewImage = corrected;
    }
    m_preview->SetImage(m_previewImage, 1.0, 1.0, true);
}

void CCorrectorDlg::OnUseExif()
{
    UpdatePreview();
    UpdateData(true);
    if (m_bUseExif && m_fExifFocal > 0) {
        m_strFocal = Formatted("%.3f", m_fExifFocal);
        UpdateData(false);
    }
    UpdateControls();
}

void CCorrectorDlg::OnSave()
{
    const FileDialogRequest request{SaveFileFilter(), GetExtension(m_strPath), GetFileStem(m_strPath), true};
    std::string path;
    if (!Services().AskSaveFileName(request, path))
        return;
    if (!IsImageFile(path)) {
        Services().ShowMessage("Wrong file extension!", "Saving error", MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    const ImageFileFormat format = FormatOfPath(path);
    int quality = 100;
    if (format == Jpeg) {
        CJpegQualityDlg dialog(Services(), this);
        if (dialog.DoModal() != Accepted)
            return;
        quality = dialog.m_nQuality;
    }
    // The wait cursor covers the writing only, not the quality question.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ImageFile file;
    file.SetExifBlock(m_exifBlock);
    // The writers take red, green, blue; a conversion that fails writes nothing.
    const bool saved = m_corrected->ConvertPixelType(Rgb) &&
                       file.Save(path, *m_corrected, format, quality, format == Jpeg ? 1 : 0);
    m_corrected->ConvertPixelType(Bgr);
    QGuiApplication::restoreOverrideCursor();
    if (saved) {
        m_bSaved = 1;
    } else {
        std::cerr << "fovella: " << file.Error() << "\n";
        Services().ShowMessage("Saving file failed!", "Saving error", MessageIcon::Error, MessageButtons::Ok);
    }
}

bool CCorrectorDlg::OpenImageFile(const std::string& path)
{
    // Loaded aside: a file that fails leaves the current image, its
    // correction and the views as they were.
    auto loaded = std::make_shared<DibImage>();
    ImageFile file;
    if (!file.Load(path, *loaded, Unknown, KeepExif) || !loaded->ConvertPixelType(Bgr)) {
        std::cerr << "fovella: " << (file.Error().empty() ? "'" + path + "': cannot be shown" : file.Error())
                  << "\n";
        Services().ShowMessage("Opening file failed!", "Opening error", MessageIcon::Error, MessageButtons::Ok);
        return false;
    }
    m_source = std::move(loaded);
    m_corrected = std::make_shared<DibImage>();  // belonged to the image before
    m_strPath = PathString(path);
    file.GetExifBlock(m_exifBlock);
    // What the reader finds wrong in the block goes to standard error.
    const ExifInfo exif = m_exifBlock.empty() ? ExifInfo() : ReadExif(m_exifBlock.data(), m_exifBlock.size());
    if (exif.FocalLength != 0) {
        EnableControl(*this, kUseExif, true);
        m_bUseExif = 1;
        m_strFocal = Formatted("%.3f", exif.FocalLength);
        m_fExifFocal = exif.FocalLength;
    } else {
        EnableControl(*this, kUseExif, false);
        m_bUseExif = 0;
        m_fExifFocal = -1;
    }
    m_bLoaded = 1;
    m_bCorrected = 0;
    m_bSaved = 0;
    m_bShowOriginal = 1;
    UpdateData(false);
    OnFit();
    UpdatePreview();
    setWindowTitle(QString::fromStdString(path) + " - Fovella");
    UpdateControls();
    return true;
}

std::vector<PathString> CCorrectorDlg::FolderImages() const
{
    if (m_strPath.empty())
        return {};  // nothing open: no folder to list
    DirectoryScanner scanner;
    scanner.Scan(GetDirectory(m_strPath));
    std::vector<PathString> images;
    for (const PathString& entry : scanner.Files())
        if (IsImageFile(entry))
            images.push_back(entry);
    return images;
}

int CCorrectorDlg::IndexOfCurrent(const std::vector<PathString>& images) const
{
    for (std::size_t i = 0; i < images.size(); ++i)
        if (EqualIgnoringCase(images[i], m_strPath))
            return int(i);
    return -1;
}

void CCorrectorDlg::OnOpen()
{
    if (!ConfirmDiscard())
        return;
    const FileDialogRequest request{OpenFileFilter(), "jpg", "", false};
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
    if (ConfirmDiscard())
        OpenFromOutside(urls.front().toLocalFile().toStdString());
}

void CCorrectorDlg::OpenAndSetArrows(const std::string& path)
{
    OpenImageFile(path);
    // For whatever is current now, opened or kept.
    const std::vector<PathString> images = FolderImages();
    const int current = IndexOfCurrent(images);
    if (current >= 0)
        EnableControl(*this, kPrevious, current > 0);
    EnableControl(*this, kNext, current >= 0 && current + 1 < int(images.size()));
}

// The arrows follow the listing taken before the open, also when it fails.
void CCorrectorDlg::OnPrevious()
{
    if (!ConfirmDiscard())
        return;
    const std::vector<PathString> images = FolderImages();
    const int current = IndexOfCurrent(images);
    // Without the current image in the folder the walk ends at its last image.
    const int previous = (current < 0 ? int(images.size()) : current) - 1;
    if (current > 0)
        OpenImageFile(images[std::size_t(previous)]);
    EnableControl(*this, kNext, previous >= 0);
    EnableControl(*this, kPrevious, previous > 0);
}

void CCorrectorDlg::OnNext()
{
    if (!ConfirmDiscard())
        return;
    const std::vector<PathString> images = FolderImages();
    const int current = IndexOfCurrent(images);
    const int count = int(images.size());
    // Without the current image in the folder the walk ends at its first image.
    const int next = current < 0 ? (count > 0 ? 0 : count) : current + 1;
    if (current >= 0 && next < count)
        OpenImageFile(images[std::size_t(next)]);
    EnableControl(*this, kPrevious, next < count);
    EnableControl(*this, kNext, next < count - 1);
}

void CCorrectorDlg::OnUndistort()
{
    const float focal = ChosenFocal();
    const double scale = FocalToPixelScale(focal, *m_source);
    if (!(scale > 0)) {
        Services().ShowMessage("Focal length should be positive.", "Undistort", MessageIcon::Warning,
                               MessageButtons::Ok);
        return;
    }
    // An infinite focal length (typed "inf", or an EXIF +Inf) the remap
    // cannot compute with.
    if (!std::isfinite(scale)) {
        Services().ShowMessage("Focal length should be a finite number.", "Undistort", MessageIcon::Warning,
                               MessageButtons::Ok);
        return;
    }
    // Into a new image, so that a remap that cannot be done leaves the
    // correction before it in place.
    auto corrected = std::make_shared<DibImage>();
    bool done;
    {
        CProgressDlg progress(Services(), this);
        m_pProgressDlg = &progress;
        progress.Start(m_strPath);
        // Every core: the user waits for this one picture.
        const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
        done = LensModel(cores).Undistort(*m_source, *corrected, scale, &UndistortProgressCallback, this);
        m_pProgressDlg = nullptr;
    }
    if (!done) {
        Services().ShowMessage("Not enough memory to undistort the image.", "Undistort", MessageIcon::Error,
                               MessageButtons::Ok);
        return;
    }
    m_corrected = std::move(corrected);
    m_bCorrected = 1;
    m_bSaved = 0;
    m_bShowOriginal = 0;
    UpdateData(false);
    SetZoom(m_dZoom, true);
}

void CCorrectorDlg::OnUndistortDir()
{
    UpdateData(true);
    BatchSource source;
    source.currentPath = m_strPath;
    source.width = m_source->Width();
    source.height = m_source->Height();
    source.useExif = m_bUseExif != 0;
    source.exifFocal = m_fExifFocal;
    source.manualFocal = ReadFocalText(m_strFocal);
    source.fineTune = GetFineTuneFactor();
    DialogBatchFrontEnd frontEnd(Services(), m_folderBrowser, this, m_strPath);
    m_pBatchFrontEnd = &frontEnd;
    BatchRun(frontEnd).RunFolder(source);
    m_pBatchFrontEnd = nullptr;
    // The folder's results never replace the window's own correction; a
    // written copy of it only means that nothing is lost on leaving.
    if (frontEnd.SavedCurrentImage())
        m_bSaved = 1;
    if (m_bCloseAfterRun)
        OnCancel();
}

void CCorrectorDlg::OnCancel()
{
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

bool CCorrectorDlg::SetZoom(double zoom, bool force)
{
    UpdateData(true);
    if (!ShownImageExists() || (zoom == m_dZoom && !force))
        return true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool shown = m_view->SetImage(ShownImage(), zoom, m_dZoom, false);
    if (shown) {
        m_dZoom = zoom;
        Control<QLabel>(*this, kZoomLabel)->setText(QString::number(int(zoom * 100)) + "%");
    }
    UpdateControls();
    QGuiApplication::restoreOverrideCursor();
    if (!shown)
        Services().ShowMessage("The image is too large to be shown at this zoom.", "Zoom", MessageIcon::Warning,
                               MessageButtons::Ok);
    return shown;
}

void CCorrectorDlg::StepZoom(int step)
{
    const int before = m_nZoomIndex;
    m_nZoomIndex += step;
    if (!SetZoom(m_zoomSteps[std::size_t(m_nZoomIndex)] / 100.0, false)) {
        m_nZoomIndex = before;
        UpdateControls();
    }
}

void CCorrectorDlg::OnZoomIn() { StepZoom(+1); }

void CCorrectorDlg::OnZoomOut() { StepZoom(-1); }

void CCorrectorDlg::OnMouseWheel(int delta)
{
    const bool shown = ShownImageExists();
    if (delta > 0 && shown && m_nZoomIndex < kLastZoomStep)
        OnZoomIn();
    else if (delta < 0 && shown && m_nZoomIndex > 0)
        OnZoomOut();
}

// One step per wheel event, however far the wheel turned.
void CCorrectorDlg::wheelEvent(QWheelEvent* event)
{
    OnMouseWheel(event->angleDelta().y());
    CTemplateDialog::wheelEvent(event);
}

void CCorrectorDlg::OnFit()
{
    UpdateData(true);
    if (!ShownImageExists())
        return;
    const QRect full = m_view->GetFullClientRect();
    const double fit = FitRatio(full.width(), full.height(), ShownImage()->Width(), ShownImage()->Height());
    m_nZoomIndex = NearestZoomStep(fit, m_zoomSteps.data(), kZoomStepCount);
    SetZoom(fit, true);
}

void CCorrectorDlg::OnShowOriginal()
{
    UpdateData(true);
    // Both pictures are drawn at the zoom as they are: nothing is resampled.
    m_view->SetImage(ShownImage(), m_dZoom, m_dZoom, false);
    UpdateControls();
}

}  // namespace fovella
