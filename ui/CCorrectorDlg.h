// The main window: the view of one CorrectorSession. It fills its controls
// from the session, forwards the user's commands to it, and enables every
// control from it in one place, UpdateControls. Drag-and-drop, the window
// menu and the layout are the window's own.
#pragma once

#include "framework/CTemplateDialog.h"
#include "image/DibImage.h"
#include "session/CorrectorSession.h"
#include "ui/CorrectorControls.h"
#include "ui/WindowLayout.h"
#include "framework/FolderBrowser.h"

#include <map>
#include <memory>
#include <string>

class QMenu;

namespace fovella {

class CImageView;
class CProgressDlg;
class DialogBatchFrontEnd;

// The command of the about entry in the window menu.
enum : int { IDM_ABOUTBOX = 16 };

class CCorrectorDlg : public CTemplateDialog {
public:
    explicit CCorrectorDlg(PlatformServices& services, QWidget* parent = nullptr);
    ~CCorrectorDlg() override;

    // The fine-tune factor of the slider's current position.
    double GetFineTuneFactor() const;
    // The remap's scale for focal length `focalMm` and the size of `image`.
    double FocalToPixelScale(float focalMm, const Image& image) const;

    // Every control's enabled flag, from the session; nothing else enables
    // or disables a control.
    void UpdateControls();
    // Before an unsaved correction would be dropped: asks whether to save it.
    // False when the user stays (Cancel, or a save that did not happen).
    bool ConfirmDiscard();
    // Loads `path` and makes it the current image, fitted into the view.
    // False, with a message and nothing changed, when it cannot be loaded.
    bool OpenImageFile(const std::string& path);
    // The open picture reduced into the preview and corrected there.
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

    const CorrectorSession& Session() const { return m_session; }
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
    void OnHScroll(int position);
    void OnReset();
    void OnUseExif();
    void OnFocalChanged();
    void OnMouseWheel(int delta);
    // Opens `path` and sets the arrows from the listing of what is current then.
    void OpenAndSetArrows(const std::string& path);
    // Moves and stretches the controls for a client area of cx x cy.
    void OnSize(int cx, int cy);
    // The controls' values, labels and title from the session, then UpdateControls.
    void ShowSession();
    // The note beside "Preview:" when the settings no longer give the correction shown.
    void ShowOutdated();
    // After an open or a step through the folder: the new picture fitted and
    // previewed, or the message of a file that failed.
    void ShowOpened(const SessionOutcome& opened);
    // After a zoom command: the message when the view refused it.
    bool ShowZoomed(const SessionOutcome& zoomed);
    // Undistort's refusal of the focal length, as the user reads it.
    std::string FocalRefusalText(const SessionOutcome& refused) const;
    // Before a picture that carries the mark of an earlier correction is
    // corrected again: false when the user declines.
    bool ConfirmCorrectAgain();
    // Before a correction is saved that the settings shown no longer give:
    // undistorts again first (Yes), saves it as it is (No) or stays (false).
    bool ConfirmSaveOutdated();
    // The view as the session's zoom commands see it.
    CorrectorSession::ShowAtZoom ViewAtZoom();
    void AddSystemMenu();

    CorrectorSession m_session;

    QMenu* m_systemMenu = nullptr;
    CImageView* m_view = nullptr;
    CImageView* m_preview = nullptr;
    std::map<int, Box> m_ctrlRects;  // the template's rectangles, by id

    CProgressDlg* m_pProgressDlg = nullptr;  // while Undistort runs
    DialogBatchFrontEnd* m_pBatchFrontEnd = nullptr;  // while a folder run runs
    FolderBrowser m_folderBrowser;  // the folder runs' chooser, from pick to pick
    bool m_bCloseAfterRun = false;

    // Shared with the preview view.
    std::shared_ptr<DibImage> m_previewImage;
};

}  // namespace fovella
