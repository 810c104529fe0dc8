// The main window: one dialog that holds the whole interactive state (the
// current file, the loaded and corrected images, their zoomed copies, the
// preview, the focal-length and fine-tune inputs) and enables its controls
// from that state in one place, UpdateControls.
#pragma once

#include "fs/PathString.h"
#include "image/DibImage.h"
#include "ui/CTemplateDialog.h"

#include <cstdint>
#include <string>
#include <vector>

class QMenu;

namespace fovella {

class CImageView;

// Control ids of the main dialog's template.
enum CorrectorControl : int {
    kPanelFrame = 1034,
    kLogo = 1028,
    kMakerName = 1029,
    kWebLink = 1030,
    kOpen = 1008,
    kPrevious = 1005,
    kNext = 1006,
    kSave = 1012,
    kFocalGroup = 1055,
    kFocalEdit = 1002,
    kUseExif = 1003,
    kFineTuneGroup = 1056,
    kFineTuneLabel = 1057,
    kFineTune = 1054,
    kReset = 1068,
    kUndistort = 1004,
    kUndistortDir = 1009,
    kPreviewLabel = 1059,
    kPreviewFrame = 1027,
    kHelp = 57670,
    kExit = 1071,
    kImageGroup = 1065,
    kImageFrame = 1011,
    kShowOriginal = 1067,
    kZoomIn = 1000,
    kZoomOut = 1001,
    kZoomLabel = 1024,
    kFit = 1020,
};

// The zoom table's steps run from 1 % (0) to 500 % (19).
constexpr int kLastZoomStep = 19;

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
    void UpdatePreview();

    void OnSysCommand(int command);
    void OnSave();

    CImageView& View() const { return *m_view; }
    CImageView& Preview() const { return *m_preview; }
    QMenu& SystemMenu() const { return *m_systemMenu; }

protected:
    void DoDataExchange(DataExchange& exchange) override;
    void OnInitDialog() override;
    // Enter outside a push button: nothing happens.
    void OnOK() override {}
    void contextMenuEvent(QContextMenuEvent* event) override;
#ifdef _WIN32
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    friend struct CorrectorDlgProbe;

    void OnExit();
    void OnHScroll();
    void OnReset();
    void OnUseExif();
    void SetFineTuneLabel();
    // The focal length the commands use: EXIF's or the typed one.
    float ChosenFocal();
    bool ShownImageExists() const;
    const DibImage& ShownImage() const;
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

    PathString m_strPath;
    DibImage m_source, m_corrected;
    DibImage m_previewImage;
    double m_dZoom = 1.0;
    int m_nZoomIndex = 0;  // step of the zoom table, 0 to kLastZoomStep
    int m_bLoaded = 0;
    int m_bCorrected = 0;
    int m_bSaved = 1;
    float m_fExifFocal = -1;
};

}  // namespace fovella
