// A folder run's progress: the current image and the whole folder, each as
// a bar and a percentage, and a Cancel that the run notices at its next
// progress report. Not modal: its front end keeps the window it runs from
// from taking input (InputGuard), so that nothing can start another run or
// change the image mid-run, while the window manager can still close it.
#pragma once

#include "framework/CTemplateDialog.h"

#include <string>

namespace fovella {

enum : int {
    kBatchImageLabel = 1043,
    kBatchFocalLabel = 1047,
    kBatchFineTuneLabel = 1063,
    kBatchImagePercent = 1045,
    kBatchImageBar = 1042,
    kBatchFolderLabel = 1044,
    kBatchFolderPercent = 1046,
    kBatchFolderBar = 1022,
};

class CBatchProgressDlg : public CTemplateDialog {
public:
    explicit CBatchProgressDlg(PlatformServices& services, QWidget* parent = nullptr);

    // Makes the controls and shows the dialog, centred on the screen.
    void Start();
    void SetLabel(int id, const std::string& text);
    void SetBar(int id, int percent);

    int m_bCancelled = 0;

protected:
    // Cancel (the button or Esc) only raises the flag: the run closes the
    // dialog when it stops.
    void OnCancel() override { m_bCancelled = 1; }
};

// Handles every pending event of the program without waiting for one: the
// progress dialog repaints and takes its Cancel, while a remap runs.
void PumpMessages();

}  // namespace fovella
