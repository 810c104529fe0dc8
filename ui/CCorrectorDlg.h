// The main window: one dialog that holds the whole interactive state (the
// current file, the loaded and corrected images, their zoomed copies, the
// preview, the focal-length and fine-tune inputs) and enables its controls
// from that state in one place, UpdateControls.
#pragma once

#include "fs/PathString.h"
#include "ui/CorrectorControls.h"
#include "ui/WindowLayout.h"
#include "image/DibImage.h"
#include "framework/CTemplateDialog.h"
#include "framework/FolderBrowser.h"

#include <array>
#include <map>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QMenu;

namespace fovella {

class CImageView;
class CProgressDlg;
class DialogBatchFrontEnd;

// The zoom table's steps run from 1 % (0) to 500 % (19).
constexpr int kZoomStepCount = 20;
constexpr int kLastZoomStep = kZoomStepCount - 1;

// The command of the about entry in the window menu.
enum : int { IDM_ABOUTBOX = 16 };

class CCorrectorDlg : public CTemplateDialog {
public:
    explicit CCorrectorDlg(PlatformServices& services, QWidget* parent = nullptr);
    ~CCorrectorDlg() override;

    // The fine-tune factor of the slider's current position.
    double GetFineTuneFactor();
    // The remap's scale for focal length `focalMm` and the size of `image`.
    double FocalToPixelScale(float focalMm, const Image& image);

    void UpdateControls();
    // Before an unsaved correction would be dropped: asks whether to save it.
    // False when the user stays (Cancel, or a save that did not happen).
    bool ConfirmDiscard();
    // Loads `path` and makes it the current image, fitted into the view.
    // False, with a message and nothing changed, when it cannot be loaded.
    bool OpenImageFile(const std::string& path);
    void UpdatePreview();
    // Shows the shown image at `zoom` (again when `force`). False, with a
    // message and the zoom as it was, when the view cannot show it so large.
    bool SetZoom(double zoom, bool force);

    // Opens `path` as "&Open" does once a name is chosen: the file, then the
    // arrows from its folder. For a name given on the command line or dropped.
    void OpenFromOutside(const std::string& path);

    void OnSysCommand(int command);
    void OnOpen();
    void OnPrevious();
    void OnNext();
    void OnUndistort();
    void OnUndistortDir();
    void OnZoomIn();
    void OnZoomOut();
    void OnFit();
    void OnShowOriginal();
    void OnSave();

    // The remap's progress in the dialog of `context`, a CCorrectorDlg.
    static bool UndistortProgressCallback(double percent, void* context);

    CImageView& View() const { return *m_view; }
    CImageView& Preview() const { return *m_preview; }
    QMenu& SystemMenu() const { return *m_systemMenu; }

protected:
    void DoDataExchange(DataExchange& exchange) override;
    void OnInitDialog() override;
    // Enter outside a push button: nothing happens.
    void OnOK() override {}
    // Esc and the close box end the program at once; during a folder run
    // they cancel the run first and end the program once it has stopped.
    void OnCancel() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend struct CorrectorDlgProbe;

    void OnExit();
    void OnHScroll();
    void OnReset();
    void OnUseExif();
    void OnMouseWheel(int delta);
    // Opens `path` and sets the arrows from the listing of what is current then.
    void OpenAndSetArrows(const std::string& path);
    // Moves and stretches the controls for a client area of cx x cy.
    void OnSize(int cx, int cy);
    bool FitDiffers();
    void SetFineTuneLabel();
    // Steps one zoom step up or down; the index stays when the view refuses.
    void StepZoom(int step);
    // The image files of the current image's folder, in the listing's order.
    std::vector<PathString> FolderImages() const;
    // The index of the current image in `images`; -1 when it is not there.
    int IndexOfCurrent(const std::vector<PathString>& images) const;
    // The focal length the commands use: EXIF's or the typed one.
    float ChosenFocal();
    bool ShownImageExists() const;
    const std::shared_ptr<DibImage>& ShownImage() const;
    void AddSystemMenu();

    // Exchanged with the controls.
    int m_bUseExif = 0;
    std::string m_strFocal;
    int m_nFineTune = 50;
    int m_bShowOriginal = 0;

    QMenu* m_systemMenu = nullptr;
    CImageView* m_view = nullptr;
    CImageView* m_preview = nullptr;
    std::vector<std::uint8_t> m_exifBlock;
    std::map<int, Box> m_ctrlRects;  // the template's rectangles, by id

    CProgressDlg* m_pProgressDlg = nullptr;  // while Undistort runs
    DialogBatchFrontEnd* m_pBatchFrontEnd = nullptr;  // while a folder run runs
    FolderBrowser m_folderBrowser;  // the folder runs' chooser, from pick to pick
    bool m_bCloseAfterRun = false;

    PathString m_strPath;
    // Shared with the views, which draw them at the zoom without copies.
    std::shared_ptr<DibImage> m_source, m_corrected;
    std::shared_ptr<DibImage> m_previewImage;
    double m_dZoom = 1.0;
    std::array<int, kZoomStepCount> m_zoomSteps{};  // percent
    int m_nZoomIndex = 0;  // step of the zoom table, 0 to kLastZoomStep
    int m_bLoaded = 0;
    int m_bCorrected = 0;
    int m_bSaved = 1;
    float m_fExifFocal = -1;
};

}  // namespace fovella
