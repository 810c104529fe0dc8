// The main window: the view of one CorrectorSession. It fills its controls
// from the session, forwards the user's commands to it, and enables every
// control from it in one place, UpdateControls. Drag-and-drop, the window
// menu, the keys and the layout are the window's own.
#pragma once

#include "framework/CTemplateDialog.h"
#include "image/DibImage.h"
#include "session/CorrectorSession.h"
#include "ui/CorrectorControls.h"
#include "ui/LineEstimateRunner.h"
#include "ui/WindowLayout.h"
#include "framework/FolderBrowser.h"

#include <map>
#include <memory>
#include <string>

class QAction;
class QMenu;
class QPoint;

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
    // A large JPEG is first shown decoded reduced while the whole is read;
    // it becomes current when read (or when a command needs it), and a
    // failure then is shown as any other.
    bool OpenImageFile(const std::string& path);
    // Makes the picture being opened current, waiting for its reading; then
    // its message when it failed. Nothing when no open is under way.
    void FinishOpen();
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
    void OnGrid();
    void OnSplitView(bool split);
    void OnSave();
    // "Auto": the scale from the picture's own straight lines, found on a
    // thread of its own while the window stays responsive.
    void OnAuto();

    // The remap's progress in the dialog of `context`, a CCorrectorDlg.
    static bool UndistortProgressCallback(double percent, void* context);

    const CorrectorSession& Session() const { return m_session; }
    CImageView& View() const { return *m_view; }
    CImageView& Preview() const { return *m_preview; }
    QMenu& SystemMenu() const { return *m_systemMenu; }
    QAction& SplitViewEntry() const { return *m_splitEntry; }

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
    // Holding the space bar over the window's controls shows the original.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend struct CorrectorDlgProbe;

    void OnExit();
    void OnHScroll(int position);
    void OnReset();
    void OnUseExif();
    void OnFocalChanged();
    // One zoom step per wheel event, about the view point `at` when given.
    void OnMouseWheel(int delta, const QPoint* at = nullptr);
    // The original shown (or the correction) at the zoom as it is.
    void ShowOriginal(bool original);
    void OnSpaceHeld(bool held);
    // The window's keys: each presses its button, so that it does what the
    // button does, and nothing while the button is disabled.
    void AddShortcuts();
    // Opens `path` and sets the arrows from the listing of what is current then.
    void OpenAndSetArrows(const std::string& path);
    // Moves and stretches the controls for a client area of cx x cy.
    void OnSize(int cx, int cy);
    // The controls' values, labels and title from the session, then UpdateControls.
    void ShowSession();
    // The note beside "Preview:" when the settings no longer give the correction shown.
    void ShowOutdated();
    // After an open or a step through the folder: the new picture fitted and
    // previewed (or its first look, while it is read), or the message of a
    // file that failed.
    void ShowOpened(const SessionOutcome& opened);
    // The view and the preview from the session's current picture.
    void ShowCurrent();
    // A picture has been read (on the loader's thread, passed on queued).
    void OnPictureRead();
    // The size of the view's room, for the session's first looks.
    void TellRoom();
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
    // The view as the session's zoom commands see it, keeping the point
    // under `anchor` (a view position) when given.
    CorrectorSession::ShowAtZoom ViewAtZoom(const QPoint* anchor = nullptr);
    // The grid and the split view of the session, on the views.
    void ShowViewSettings();
    void AddSystemMenu();

    CorrectorSession m_session;

    QMenu* m_systemMenu = nullptr;
    QAction* m_splitEntry = nullptr;
    CImageView* m_view = nullptr;
    CImageView* m_preview = nullptr;
    std::map<int, Box> m_ctrlRects;  // the template's rectangles, by id

    CProgressDlg* m_pProgressDlg = nullptr;  // while Undistort runs
    DialogBatchFrontEnd* m_pBatchFrontEnd = nullptr;  // while a folder run runs
    FolderBrowser m_folderBrowser;  // the folder runs' chooser, from pick to pick
    bool m_bCloseAfterRun = false;
    bool m_spaceHeld = false;
    bool m_originalBeforeSpace = false;  // what the space bar's release goes back to

    // Shared with the preview view.
    std::shared_ptr<DibImage> m_previewImage;

    // Auto's answer: the settings it gives shown, or the message why there are none.
    void ShowAutoFound(const LineEstimate& estimate);
    // The lines Auto used over the view and the preview, while the session has them.
    void ShowAutoLines();
    // Cancels an estimate under way and waits for its thread.
    void StopAuto();

    // Last, so that its thread is stopped before anything else goes.
    LineEstimateRunner m_autoRunner;
};

}  // namespace fovella
