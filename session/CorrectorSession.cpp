#include "session/CorrectorSession.h"

#include "batch/BatchRun.h"
#include "batch/CorrectedFile.h"
#include "batch/DecimalNumber.h"
#include "codecs/CodecError.h"
#include "codecs/ImageFile.h"
#include "exif/ExifReader.h"
#include "fs/DirectoryScanner.h"
#include "fs/FileReplacement.h"
#include "lens/PixelScale.h"
#include "metadata/CorrectionMark.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

namespace fovella {

namespace {

std::string Formatted(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

SessionOutcome Failure(SessionOutcome::Code code, std::string reason) { return {code, std::move(reason)}; }

}  // namespace

SessionOutcome CorrectorSession::Open(const std::string& path)
{
    auto loaded = std::make_shared<DibImage>();
    ImageFile file;
    if (!file.Load(path, *loaded, Unknown, KeepMetadata) || !loaded->ConvertPixelType(ShownPixelType(*loaded)))
        return Failure(SessionOutcome::OpenFailed,
                       file.Error().empty() ? "'" + path + "': cannot be shown" : file.Error());
    m_source = std::move(loaded);
    m_corrected = nullptr;  // belonged to the picture before
    m_path = PathString(path);
    m_position = m_path;
    m_metadata = file.Metadata();
    // What the reader finds wrong in the block goes to standard error.
    const std::vector<std::uint8_t>& block = m_metadata.exif;
    const ExifInfo exif = block.empty() ? ExifInfo() : ReadExif(block.data(), block.size());
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
    return {};
}

PixelType CorrectorSession::ShownPixelType(const Image& picture)
{
    // Grey stays grey, as the command line corrects and writes it; colour is
    // held in the order the screen draws.
    return picture.GetPixelType() == Gray ? Gray : Bgr;
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
    m_position = m_path;
    const std::vector<PathString> images = FolderImages();
    const int current = IndexOfPosition(images);
    // A picture no longer in its folder leaves "<-" as it was.
    if (current >= 0)
        m_hasPrevious = current > 0;
    m_hasNext = current >= 0 && current + 1 < int(images.size());
    return opened;
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
    if (!Loaded())
        return nullptr;
    auto reduced = std::make_shared<DibImage>();
    m_source->ScaleBy(FitRatio(roomWidth, roomHeight, m_source->Width(), m_source->Height()), *reduced);
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
    return shown;
}

SessionOutcome CorrectorSession::Fit(int roomWidth, int roomHeight, const ShowAtZoom& show)
{
    if (!ShownExists())
        return {SessionOutcome::Unchanged, {}};
    const double fit = FitRatio(roomWidth, roomHeight, Shown()->Width(), Shown()->Height());
    m_zoomIndex = NearestZoomStep(fit);
    return SetZoom(fit, true, show);
}

bool CorrectorSession::FitDiffers(int roomWidth, int roomHeight) const
{
    return ShownExists() && m_zoom != FitRatio(roomWidth, roomHeight, Shown()->Width(), Shown()->Height());
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

}  // namespace fovella
