#include "session/CorrectorSession.h"

#include "session/AutoSettings.h"

#include "batch/BatchRun.h"
#include "batch/CorrectedFile.h"
#include "batch/DecimalNumber.h"
#include "codecs/CodecError.h"
#include "codecs/ImageFile.h"
#include "codecs/jpeg/JpegReduced.h"
#include "exif/ExifReader.h"
#include "fs/DirectoryScanner.h"
#include "image/Orientation.h"
#include "fs/FileReplacement.h"
#include "lens/PixelScale.h"
#include "metadata/CorrectionMark.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <thread>

namespace fovella {

namespace {

SessionOutcome Failure(SessionOutcome::Code code, std::string reason) { return {code, std::move(reason)}; }

}  // namespace

SessionOutcome CorrectorSession::Open(const std::string& path)
{
    m_pending.reset();
    // A prepared neighbour is taken at once; otherwise a large JPEG is first
    // seen reduced, which the DCT gives faster than the whole, while the
    // whole is read beside it on another core.
    PendingOpen pending;
    const int factor = m_loader.Ready(path) ? 1 : FirstLookFactor(path, pending.orientation);
    if (factor > 1 && m_loader.Start(path)) {
        pending.path = PathString(path);
        pending.glimpse = std::make_shared<DibImage>();
        if (LoadJpegReduced(path, 8 / factor, *pending.glimpse, pending.fullWidth, pending.fullHeight, nullptr,
                            ReducedSamples::Colour)) {
            m_pending = std::move(pending);
            return {SessionOutcome::Loading, {}};
        }
        // The whole reading says why.
    }
    return Adopt(path, m_loader.Take(path));
}

void CorrectorSession::SetRoom(int width, int height)
{
    m_roomWidth = width;
    m_roomHeight = height;
}

int CorrectorSession::FirstLookFactor(const std::string& path, int& orientation) const
{
    ImageFile header;
    int width = 0, height = 0;
    if (m_roomWidth <= 0 || m_roomHeight <= 0 || FormatOfPath(path) != Jpeg ||
        !header.ReadSize(path, width, height, Jpeg, KeepMetadata))
        return 1;
    // Quietly: the whole reading reports what is wrong in the block.
    std::ostringstream unheard;
    const std::vector<std::uint8_t>& exif = header.Metadata().exif;
    orientation = exif.empty() ? 1 : ReadExif(exif.data(), exif.size(), unheard).Orientation;
    // The largest reduction still at least as large as the fitted picture,
    // so that the first look is as sharp at fit as the whole.
    const PixelSize upright = DisplayedSize(OrientationOf(orientation), width, height);
    const double fit = FitRatio(m_roomWidth, m_roomHeight, upright.width, upright.height);
    int factor = 8;
    while (factor > 1 && factor * fit > 1.0)
        factor /= 2;
    return factor;
}

bool CorrectorSession::PendingReady() const { return m_pending && m_loader.Ready(m_pending->path); }

SessionOutcome CorrectorSession::FinishOpen()
{
    if (!m_pending)
        return {SessionOutcome::Unchanged, {}};
    const PendingOpen pending = std::move(*m_pending);
    m_pending.reset();
    SessionOutcome opened = Adopt(pending.path, m_loader.Take(pending.path));
    if (pending.arrowsFromListing)
        SetArrowsFromListing();
    return opened;
}

SessionOutcome CorrectorSession::Adopt(const std::string& path, LoadedPicture read)
{
    if (!read.picture)
        return Failure(SessionOutcome::OpenFailed, read.error);
    // The picture left behind may be a neighbour of the new one.
    if (m_source)
        m_loader.GiveBack(m_path, {m_source, m_metadata, {}, m_stamp});
    m_source = std::move(read.picture);
    m_corrected = nullptr;  // belonged to the picture before
    m_autoLines.clear();
    m_path = PathString(path);
    m_position = m_path;
    m_metadata = std::move(read.metadata);
    m_stamp = read.stamp;
    // What the reader finds wrong in the block goes to standard error.
    const std::vector<std::uint8_t>& block = m_metadata.exif;
    const ExifInfo exif = block.empty() ? ExifInfo() : ReadExif(block.data(), block.size());
    m_orientationTag = exif.Orientation;
    if (exif.FocalLength != 0) {
        m_exifFocal = exif.FocalLength;
        m_focalSource = FocalSource::Exif;
        m_focalText = Formatted("%.3f", exif.FocalLength);
    } else {
        // The typed text stays for the next picture.
        m_exifFocal.reset();
        m_focalSource = FocalSource::Typed;
    }
    m_saved = false;
    m_showOriginal = true;

    const std::vector<PathString> images = FolderImages();
    const int current = IndexOfPosition(images);
    std::vector<std::string> neighbours;
    if (current > 0)
        neighbours.push_back(images[std::size_t(current - 1)]);
    if (current >= 0 && current + 1 < int(images.size()))
        neighbours.push_back(images[std::size_t(current + 1)]);
    m_loader.PrepareOnly(neighbours);
    return {};
}

std::optional<double> CorrectorSession::MarkedScale() const
{
    return Loaded() ? CorrectionMarkScale(m_metadata.xmp) : std::nullopt;
}

std::vector<PathString> CorrectorSession::FolderImages() const
{
    if (m_path.empty())
        return {};  // nothing open: no folder to list
    DirectoryScanner scanner;
    scanner.Scan(GetDirectory(m_path));
    std::vector<PathString> images;
    for (const PathString& entry : scanner.Files())
        if (IsImageFile(entry))
            images.push_back(entry);
    return images;
}

int CorrectorSession::IndexOfPosition(const std::vector<PathString>& images) const
{
    for (std::size_t i = 0; i < images.size(); ++i)
        if (EqualIgnoringCase(images[i], m_position))
            return int(i);
    return -1;
}

SessionOutcome CorrectorSession::OpenInFolder(const std::string& path)
{
    SessionOutcome opened = Open(path);
    if (opened.code == SessionOutcome::Loading)
        m_pending->arrowsFromListing = true;
    else
        SetArrowsFromListing();
    return opened;
}

void CorrectorSession::SetArrowsFromListing()
{
    m_position = m_path;
    const std::vector<PathString> images = FolderImages();
    const int current = IndexOfPosition(images);
    // A picture no longer in its folder leaves "<-" as it was.
    if (current >= 0)
        m_hasPrevious = current > 0;
    m_hasNext = current >= 0 && current + 1 < int(images.size());
}

SessionOutcome CorrectorSession::Previous()
{
    const std::vector<PathString> images = FolderImages();
    const int current = IndexOfPosition(images);
    // Without the open picture in the folder the walk ends at its last image.
    const int previous = (current < 0 ? int(images.size()) : current) - 1;
    SessionOutcome opened{SessionOutcome::Unchanged, {}};
    if (current > 0) {
        opened = Open(images[std::size_t(previous)]);
        // A file that failed is passed: the next press goes on beyond it.
        m_position = images[std::size_t(previous)];
    }
    m_hasNext = previous >= 0;
    m_hasPrevious = previous > 0;
    return opened;
}

SessionOutcome CorrectorSession::Next()
{
    const std::vector<PathString> images = FolderImages();
    const int current = IndexOfPosition(images);
    const int count = int(images.size());
    // Without the open picture in the folder the walk ends at its first image.
    const int next = current < 0 ? (count > 0 ? 0 : count) : current + 1;
    SessionOutcome opened{SessionOutcome::Unchanged, {}};
    if (current >= 0 && next < count) {
        opened = Open(images[std::size_t(next)]);
        m_position = images[std::size_t(next)];
    }
    m_hasPrevious = next < count;
    m_hasNext = next < count - 1;
    return opened;
}

void CorrectorSession::SetFocalSource(FocalSource source)
{
    if (source != m_focalSource)
        m_autoLines.clear();
    m_focalSource = source;
    if (source == FocalSource::Exif && m_exifFocal && *m_exifFocal > 0)
        m_focalText = Formatted("%.3f", *m_exifFocal);
}

float CorrectorSession::ChosenFocal() const
{
    return m_focalSource == FocalSource::Exif ? m_exifFocal.value_or(-1.0f) : ReadFocalText(m_focalText);
}

bool CorrectorSession::TypedFocalNotANumber() const
{
    return m_focalSource == FocalSource::Typed && !ParseDecimal(m_focalText);
}

double CorrectorSession::FineTune() const { return FineTuneFactor(m_fineTune); }

double CorrectorSession::ScaleFor(int width, int height) const
{
    return PixelScale(ChosenFocal(), width, height, FineTune());
}

std::shared_ptr<DibImage> CorrectorSession::Preview(int roomWidth, int roomHeight) const
{
    const std::shared_ptr<DibImage>& picture = m_pending ? m_pending->glimpse : m_source;
    if (!picture)
        return nullptr;
    // Reduced as stored, to fit upright: the remap turns with the picture.
    auto reduced = std::make_shared<DibImage>();
    picture->ScaleBy(FitRatioOf(*picture, roomWidth, roomHeight), *reduced);
    if (!(ChosenFocal() > 0))
        return reduced;
    // A scale the remap refuses (an infinite EXIF value) leaves the preview
    // uncorrected, as a focal length that is not positive does.
    auto corrected = std::make_shared<DibImage>();
    if (!LensModel().Undistort(*reduced, *corrected, ScaleFor(reduced->Width(), reduced->Height()), nullptr, nullptr))
        return reduced;
    return corrected;
}

SessionOutcome CorrectorSession::CheckUndistort() const
{
    const double scale = Loaded() ? ScaleFor(m_source->Width(), m_source->Height()) : 0;
    if (!(scale > 0))
        return Failure(SessionOutcome::FocalNotPositive,
                       "focal length " + Formatted("%g", ChosenFocal()) + " mm gives the scale " +
                           Formatted("%g", scale));
    // An infinite focal length (typed "inf", or an EXIF +Inf).
    if (!std::isfinite(scale))
        return Failure(SessionOutcome::FocalNotFinite, "focal length " + Formatted("%g", ChosenFocal()) +
                                                           " mm gives an infinite scale");
    return {};
}

SessionOutcome CorrectorSession::Undistort(ProgressCallback progress, void* context)
{
    SessionOutcome checked = CheckUndistort();
    if (!checked)
        return checked;
    const double scale = ScaleFor(m_source->Width(), m_source->Height());
    // Into a new image, so that a remap that cannot be done leaves the
    // correction before it in place. Every core: the user waits for this one picture.
    auto corrected = std::make_shared<DibImage>();
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    if (!LensModel(cores).Undistort(*m_source, *corrected, scale, progress, context))
        return Failure(SessionOutcome::OutOfMemory,
                       "'" + std::string(m_path) + "': no room for a " + std::to_string(m_source->Width()) + " x " +
                           std::to_string(m_source->Height()) + " correction");
    m_corrected = std::move(corrected);
    m_correctedWith = {ChosenFocal(), m_focalSource, m_fineTune, scale};
    m_autoLines.clear();
    m_saved = false;
    m_showOriginal = false;
    return {};
}

ImageFileFormat CorrectorSession::SaveFormat(const std::string& path)
{
    return IsImageFile(path) ? FormatOfPath(path) : Unknown;
}

SessionOutcome CorrectorSession::Save(const std::string& path, int jpegQuality)
{
    const ImageFileFormat format = SaveFormat(path);
    if (format == Unknown)
        return Failure(SessionOutcome::WrongExtension, "'" + path + "': not a .jpg, .jpeg, .bmp or .png name");
    if (!IsCorrected())
        return Failure(SessionOutcome::SaveFailed, "'" + path + "': there is no correction to save");
    // As the command line writes a result: the source's metadata, marked.
    FileReplacement out(path);
    std::string error;
    if (!WriteCorrectedFile(out, path, *m_corrected, format, m_metadata, m_correctedWith.scale, jpegQuality, error) ||
        !CommitOrFail(out, &error))
        return Failure(SessionOutcome::SaveFailed, error);
    m_saved = true;
    return {};
}

bool CorrectorSession::CorrectionOutdated() const
{
    if (!IsCorrected())
        return false;
    return ScaleFor(m_source->Width(), m_source->Height()) != m_correctedWith.scale;
}

SessionOutcome CorrectorSession::SetZoom(double zoom, bool force, const ShowAtZoom& show)
{
    if (!ShownExists() || (zoom == m_zoom && !force))
        return {SessionOutcome::Unchanged, {}};
    if (!show(zoom, m_zoom))
        return Failure(SessionOutcome::TooLargeToShow, "the view cannot show the picture at " +
                                                           Formatted("%g", zoom * 100) + " %");
    m_zoom = zoom;
    return {};
}

SessionOutcome CorrectorSession::StepZoom(int step, const ShowAtZoom& show)
{
    if (step > 0 ? !CanZoomIn() : !CanZoomOut())
        return {SessionOutcome::Unchanged, {}};
    const int before = m_zoomIndex;
    m_zoomIndex += step > 0 ? 1 : -1;
    SessionOutcome shown = SetZoom(kZoomStepsPercent[std::size_t(m_zoomIndex)] / 100.0, false, show);
    if (shown.code == SessionOutcome::TooLargeToShow)
        m_zoomIndex = before;
    else
        m_zoomIsFit = false;
    return shown;
}

SessionOutcome CorrectorSession::Fit(int roomWidth, int roomHeight, const ShowAtZoom& show)
{
    if (!ShownExists())
        return {SessionOutcome::Unchanged, {}};
    const double fit = FitRatioOf(*Shown(), roomWidth, roomHeight);
    m_zoomIndex = NearestZoomStep(fit);
    SessionOutcome shown = SetZoom(fit, true, show);
    if (shown)
        m_zoomIsFit = true;
    return shown;
}

bool CorrectorSession::FitDiffers(int roomWidth, int roomHeight) const
{
    return ShownExists() && m_zoom != FitRatioOf(*Shown(), roomWidth, roomHeight);
}

double CorrectorSession::FitRatioOf(const DibImage& picture, int roomWidth, int roomHeight) const
{
    const PixelSize upright = DisplayedSize(OrientationOf(OrientationTag()), picture.Width(), picture.Height());
    return FitRatio(roomWidth, roomHeight, upright.width, upright.height);
}

BatchSource CorrectorSession::FolderRun() const
{
    BatchSource source;
    source.currentPath = m_path;
    source.width = Loaded() ? m_source->Width() : 0;
    source.height = Loaded() ? m_source->Height() : 0;
    source.useExif = m_focalSource == FocalSource::Exif;
    source.exifFocal = m_exifFocal.value_or(-1.0f);
    source.manualFocal = ReadFocalText(m_focalText);
    source.fineTune = FineTune();
    return source;
}

AutoSource CorrectorSession::StartAuto()
{
    if (!Loaded() || AutoRunning())
        return {};
    m_autoPicture = m_source;
    m_autoAskedUnder = CurrentFocalChoice();
    return {m_autoPicture, StampOf(m_path) == m_stamp ? std::string(m_path) : std::string()};
}

SessionOutcome CorrectorSession::FinishAuto(const LineEstimate& estimate)
{
    const bool stillAsked = m_autoPicture == m_source && CurrentFocalChoice() == m_autoAskedUnder;
    m_autoPicture = nullptr;
    if (!stillAsked || estimate.verdict == LineEstimate::Verdict::Cancelled)
        return {SessionOutcome::Unchanged, {}};
    if (estimate.verdict == LineEstimate::Verdict::NoBarrelDistortion)
        return Failure(SessionOutcome::NoBarrelDistortion,
                       "'" + std::string(m_path) + "': no barrel distortion found (strength " +
                           Formatted("%.3f", estimate.strength) + ")");
    if (estimate.verdict != LineEstimate::Verdict::Found)
        return Failure(SessionOutcome::NoStraightLines, "'" + std::string(m_path) + "': no straight lines found" +
                                                            (estimate.error.empty() ? "" : ": " + estimate.error));
    const std::optional<float> exifInUse =
        m_focalSource == FocalSource::Exif ? m_exifFocal : std::optional<float>();
    const AutoSettings settings = SettingsForScale(estimate.scale, m_source->Width(), m_source->Height(), exifInUse);
    m_focalSource = settings.source;
    if (settings.source == FocalSource::Typed)
        m_focalText = settings.focalText;
    m_fineTune = settings.fineTunePosition;
    m_autoLines = estimate.chains;
    return {};
}

std::vector<std::vector<PointF>> CorrectorSession::AutoLinesOver(int width, int height, double scale) const
{
    std::vector<std::vector<PointF>> polylines;
    if (!Loaded() || width <= 0 || height <= 0)
        return polylines;
    const double across = double(width) / m_source->Width(), down = double(height) / m_source->Height();
    for (const std::vector<LinePoint>& chain : m_autoLines) {
        std::vector<PointF> run;
        for (const LinePoint& seen : chain) {
            // Pixel centres of the resized picture, where the remap works.
            LinePoint point{(seen.x + 0.5) * across - 0.5, (seen.y + 0.5) * down - 0.5};
            if (scale > 0)
                point = CorrectedPoint(point, scale, width, height);
            const PointF at{point.x + 0.5, point.y + 0.5};
            // The correction moves the chains' ends near the corners out of the picture.
            if (at.x >= 0 && at.x <= width && at.y >= 0 && at.y <= height) {
                run.push_back(at);
                continue;
            }
            if (run.size() >= 2)
                polylines.push_back(std::move(run));
            run.clear();
        }
        if (run.size() >= 2)
            polylines.push_back(std::move(run));
    }
    return polylines;
}

}  // namespace fovella
