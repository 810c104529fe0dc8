// What the window works on, without the window: the open picture and its
// folder, the focal length and where it comes from, the fine tune, the
// correction and what it was made with, whether it was saved, and the zoom.
// Each command is an operation here that says what it did; the window only
// shows the session and forwards the user's commands to it. Not thread-safe:
// one thread drives a session.
#pragma once

#include "batch/BatchOptions.h"
#include "codecs/ImageFormats.h"
#include "fs/PathString.h"
#include "image/DibImage.h"
#include "image/Orientation.h"
#include "lens/LensModel.h"
#include "lines/LineEstimator.h"
#include "session/PictureLoader.h"
#include "metadata/PhotoMetadata.h"
#include "session/Zoom.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace fovella {

// Where the focal length the commands use comes from.
enum class FocalSource {
    Typed,  // the text the user typed, read as a decimal number
    Exif,   // the open picture's EXIF block ("Use EXIF value")
};

// What a command did. `reason` says why it did not, naming the file or the
// value at fault, for a log line or a test; the window words the message.
struct SessionOutcome {
    enum Code {
        Done,              // the state changed as asked
        Unchanged,         // nothing to do: no neighbour, the same zoom, no picture shown
        Loading,           // a first look is shown; FinishOpen makes the picture current
        OpenFailed,        // the file cannot be read or shown; nothing changed
        FocalNotPositive,  // the scale of the chosen focal length is not above 0
        FocalNotFinite,    // an infinite scale, which the remap cannot compute with
        OutOfMemory,       // the remap's destination could not be made
        WrongExtension,    // a save name that is not .jpg, .jpeg, .bmp or .png
        SaveFailed,        // the writer failed; the old file, if any, is kept
        TooLargeToShow,    // the view cannot show the picture at that zoom
        NoStraightLines,     // Auto: too few straight lines, or lines that disagree; nothing changed
        NoBarrelDistortion,  // Auto: the lines are straight already; nothing changed
    };
    Code code = Done;
    std::string reason;

    explicit operator bool() const { return code == Done; }
};

// The settings a correction was made with.
struct CorrectionSettings {
    float focalMm = 0;
    FocalSource source = FocalSource::Typed;
    int fineTunePosition = 50;
    double scale = 0;  // m in pixels, for the picture's own size
};

// A picture being opened: a first look at it, decoded reduced, while the
// whole is read on a thread of its own.
struct PendingOpen {
    PathString path;
    std::shared_ptr<DibImage> glimpse;  // blue-green-red, at least as large as the view's fit shows it
    int fullWidth = 0, fullHeight = 0;
    int orientation = 1;  // its EXIF orientation tag, for the view to show it upright
    bool arrowsFromListing = false;  // OpenInFolder's arrows, set once it is current
};

// What Auto estimates: the open file, read as the command line reads it, so
// that both find the same scale; the picture in memory when the file is not
// the one read any more (saved over, changed elsewhere, gone).
struct AutoSource {
    std::shared_ptr<const DibImage> picture;  // null: nothing to estimate
    std::string file;                         // empty: estimate `picture`
};

class CorrectorSession {
public:
    // The open picture, blue-green-red, shared with whoever draws it; null
    // before the first file is opened.
    bool Loaded() const { return m_source != nullptr; }
    const std::shared_ptr<DibImage>& Source() const { return m_source; }
    const PathString& Path() const { return m_path; }
    // The open file's EXIF block as its reader kept it; empty for files without one.
    const std::vector<std::uint8_t>& ExifBlock() const { return m_metadata.exif; }
    // Everything the open file carries beside its pixels, as its reader kept it.
    const PhotoMetadata& Metadata() const { return m_metadata; }
    // The scale of an earlier correction when the open file is a result of
    // one (it carries the mark); none otherwise.
    std::optional<double> MarkedScale() const;
    // The open picture's EXIF orientation, 1 to 8 (1 without one): how it is
    // seen upright. The picture is corrected and saved as stored.
    int OrientationTag() const { return m_pending ? m_pending->orientation : m_orientationTag; }

    // Makes the file at `path` the open picture, shown whole and uncorrected.
    // Loaded aside: OpenFailed leaves everything as it was. A JPEG that the
    // view's room (SetRoom) shows at half its size or less, and that was not
    // prepared as a neighbour, comes back Loading: its first look is
    // Pending() and the picture before stays current until FinishOpen. A
    // pending open that another open replaces is dropped.
    SessionOutcome Open(const std::string& path);
    // The room of the view that shows the picture fitted; none (0) at first:
    // every open is then read whole at once.
    void SetRoom(int width, int height);
    // The open under way, or null.
    const PendingOpen* Pending() const { return m_pending ? &*m_pending : nullptr; }
    // Its whole picture has been read: FinishOpen will not wait.
    bool PendingReady() const;
    // Makes the pending picture current, waiting for its reading: Done, or
    // OpenFailed with everything as before the open. Unchanged when none.
    SessionOutcome FinishOpen();
    // Called on a reading thread whenever a picture has been read; see
    // PictureLoader::Notice. Null stops the notices, waiting for one under way.
    void SetReadNotice(PictureLoader::Notice notice) { m_loader.SetNotice(std::move(notice)); }
    // The reading of pictures (the pending one, the neighbours).
    const PictureLoader& Loader() const { return m_loader; }
    // Open, then where "<-" and "->" lead from the listing of the folder of
    // whatever is open afterwards, also when the open failed.
    SessionOutcome OpenInFolder(const std::string& path);
    // The image file before or after the arrows' position in its folder's
    // listing, taken afresh. The position is the open file, or the file the
    // arrows last tried: one that failed to open is passed, so that the next
    // press goes on beyond it while the open picture stays. Unchanged when
    // there is none (no wrap-around).
    SessionOutcome Previous();
    SessionOutcome Next();
    bool HasPrevious() const { return m_hasPrevious; }
    bool HasNext() const { return m_hasNext; }

    // The open picture's EXIF focal length in mm; none when it has none.
    std::optional<float> ExifFocal() const { return m_exifFocal; }
    FocalSource GetFocalSource() const { return m_focalSource; }
    // Choosing EXIF puts its value, when positive, into the typed text.
    void SetFocalSource(FocalSource source);
    const std::string& FocalText() const { return m_focalText; }
    void SetFocalText(const std::string& text)
    {
        if (text != m_focalText)
            m_autoLines.clear();
        m_focalText = text;
    }
    // The typed text is the focal length used, and it is no number at all
    // (ParseDecimal): empty, "abc".
    bool TypedFocalNotANumber() const;
    // The focal length the commands use: EXIF's (-1 when the file has none)
    // or the typed text's leading number.
    float ChosenFocal() const;

    // The fine-tune slider's position, 0 to 100, and its factor (1 at 50).
    int FineTunePosition() const { return m_fineTune; }
    void SetFineTunePosition(int position)
    {
        if (position != m_fineTune)
            m_autoLines.clear();
        m_fineTune = position;
    }
    double FineTune() const;
    // The remap's scale for the chosen focal length and a picture of `width` x `height`.
    double ScaleFor(int width, int height) const;

    // The open picture (while an open is pending, its first look) reduced to
    // fit `roomWidth` x `roomHeight`, corrected when the chosen focal length
    // gives a scale the remap takes; null when nothing is open.
    std::shared_ptr<DibImage> Preview(int roomWidth, int roomHeight) const;

    // Whether Undistort would refuse the current settings: Done when not.
    SessionOutcome CheckUndistort() const;
    // Corrects the whole picture on every core into a new image, reporting
    // through `progress`; the correction is then shown, unsaved. A refusal
    // or a failed remap keeps the correction before it.
    SessionOutcome Undistort(ProgressCallback progress = nullptr, void* context = nullptr);
    bool IsCorrected() const { return m_corrected != nullptr; }
    // The correction of the open picture; null when there is none.
    const std::shared_ptr<DibImage>& Corrected() const { return m_corrected; }
    const CorrectionSettings& CorrectedWith() const { return m_correctedWith; }

    // The format a save to `path` writes; Unknown for a name Save refuses.
    static ImageFileFormat SaveFormat(const std::string& path);
    // Writes the correction to `path` by its extension (JPEG at `jpegQuality`)
    // as the command line writes a result (WriteCorrectedFile): the open
    // file's metadata marked with the correction's scale. Done marks it saved.
    SessionOutcome Save(const std::string& path, int jpegQuality);
    // The settings shown (focal length, its source, fine tune) give another
    // scale than the correction was made with: saving it would write what
    // the preview no longer shows.
    bool CorrectionOutdated() const;
    // A correction that no file holds yet: leaving would lose it.
    bool Unsaved() const { return IsCorrected() && !m_saved; }
    // A copy of the correction was written elsewhere (by a folder run).
    void MarkSaved() { m_saved = true; }

    // The picture the view shows: the original or the correction.
    bool ShowsOriginal() const { return m_showOriginal; }
    void SetShowOriginal(bool original) { m_showOriginal = original; }
    const std::shared_ptr<DibImage>& Shown() const { return m_showOriginal ? m_source : m_corrected; }
    bool ShownExists() const { return Shown() != nullptr; }

    // The view that shows the picture at a new zoom; false when it cannot
    // (the picture would be too large to scroll through).
    using ShowAtZoom = std::function<bool(double newZoom, double oldZoom)>;
    // The ratio the view shows at (1 = one pixel per pixel) and the step of
    // kZoomStepsPercent that "+" and "-" go on from.
    double Zoom() const { return m_zoom; }
    int ZoomIndex() const { return m_zoomIndex; }
    // The zoom was last set by Fit: a view of another size fits it again.
    bool ZoomIsFit() const { return m_zoomIsFit; }
    bool CanZoomIn() const { return ShownExists() && m_zoomIndex < kLastZoomStep; }
    bool CanZoomOut() const { return ShownExists() && m_zoomIndex > 0; }
    // Shows the picture at `zoom`; Unchanged when nothing is shown or the
    // zoom is the same and not `force`d. The zoom stays when `show` refuses.
    SessionOutcome SetZoom(double zoom, bool force, const ShowAtZoom& show);
    // One step up (+1) or down (-1) the table; the step stays when `show` refuses.
    // A step taken ends the fit.
    SessionOutcome StepZoom(int step, const ShowAtZoom& show);
    // The exact ratio that fits the shown picture, upright, into a view whose
    // room is `roomWidth` x `roomHeight`; the steps go on from the nearest.
    SessionOutcome Fit(int roomWidth, int roomHeight, const ShowAtZoom& show);
    // The shown picture is not at the zoom that fits it into that room.
    bool FitDiffers(int roomWidth, int roomHeight) const;

    // View settings: a grid over the pictures, and the split view (the
    // original left of a divider, the correction right), which shows only
    // while there is a correction and the original is not asked for.
    bool GridShown() const { return m_grid; }
    void SetGridShown(bool shown) { m_grid = shown; }
    bool SplitView() const { return m_split; }
    void SetSplitView(bool split) { m_split = split; }
    bool SplitShown() const { return m_split && IsCorrected() && !m_showOriginal; }

    // What a folder run over the open picture's folder starts from.
    BatchSource FolderRun() const;

    // "Auto": the scale found from the open picture's own straight lines.
    // The estimate takes a while and runs elsewhere: StartAuto gives what to
    // estimate (no picture when nothing is open or an estimate is under
    // way), FinishAuto takes its answer. Found: the EXIF focal length in use
    // is kept and the slider set, or the focal length typed and the slider
    // at 1.00 (AutoSettings.h); Done. NoStraightLines, NoBarrelDistortion:
    // nothing changed. Unchanged: cancelled, another picture is open now, or
    // the focal length, its source or the fine tune was changed while the
    // estimate ran: that newer choice stands.
    AutoSource StartAuto();
    bool AutoRunning() const { return m_autoPicture != nullptr; }
    SessionOutcome FinishAuto(const LineEstimate& estimate);
    // The chains the last estimate applied used, until the focal length, its
    // source, the fine tune, the picture or the correction changes: as
    // polylines over the open picture resized to `width` x `height` and
    // corrected with `scale` (0: not corrected), in continuous pixels of that
    // picture, cut where they leave it. Empty when there are none.
    std::vector<std::vector<PointF>> AutoLinesOver(int width, int height, double scale) const;

private:
    // The image files of the open picture's folder, in the listing's order,
    // and the arrows' position among them (-1 when it is not there).
    std::vector<PathString> FolderImages() const;
    int IndexOfPosition(const std::vector<PathString>& images) const;
    // The ratio that fits `picture`, upright, into that room.
    double FitRatioOf(const DibImage& picture, int roomWidth, int roomHeight) const;
    // OpenInFolder's arrows, from the listing of what is current.
    void SetArrowsFromListing();
    // The reduction (2, 4 or 8) of the first look at a JPEG at `path` that
    // the room shows at half its size or less; 1 for any other file.
    // `orientation` receives the file's EXIF orientation tag.
    int FirstLookFactor(const std::string& path, int& orientation) const;
    // Makes a picture read from `path` current (or says why it failed) and
    // prepares its neighbours.
    SessionOutcome Adopt(const std::string& path, LoadedPicture read);

    std::shared_ptr<DibImage> m_source;
    PathString m_path;
    PathString m_position;  // where the arrows are: the open file or the last one they tried
    PhotoMetadata m_metadata;
    int m_orientationTag = 1;
    FileStamp m_stamp;  // the open file before it was read
    std::optional<PendingOpen> m_pending;
    int m_roomWidth = 0, m_roomHeight = 0;
    bool m_hasPrevious = false, m_hasNext = false;

    std::optional<float> m_exifFocal;
    FocalSource m_focalSource = FocalSource::Typed;
    std::string m_focalText;
    int m_fineTune = 50;

    std::shared_ptr<DibImage> m_corrected;
    CorrectionSettings m_correctedWith;
    bool m_saved = true;
    bool m_showOriginal = false;

    double m_zoom = 1.0;
    int m_zoomIndex = 0;

    std::shared_ptr<const DibImage> m_autoPicture;  // while its estimate runs
    // What chooses the correction: the focal length's source, its text and the fine tune.
    using FocalChoice = std::tuple<FocalSource, std::string, int>;
    FocalChoice CurrentFocalChoice() const { return {m_focalSource, m_focalText, m_fineTune}; }
    FocalChoice m_autoAskedUnder;  // as it was when Auto was asked
    std::vector<std::vector<LinePoint>> m_autoLines;  // in the open picture, as seen
    bool m_zoomIsFit = false;

    bool m_grid = false;
    bool m_split = false;
    // Last, so that its threads end before anything else of the session.
    PictureLoader m_loader;
};

}  // namespace fovella
