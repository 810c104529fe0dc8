// Shows how far the correction of one image has come. It is modeless and
// has no Cancel: the remap it follows runs to its end on the window's
// thread, with no event loop turning meanwhile, so it repaints its bar and
// label itself.
#pragma once

#include "framework/CTemplateDialog.h"

#include <string>

namespace fovella {

enum : int { kProgressFileLabel = 1023, kProgressPercent = 1022, kProgressBar = 1021 };

class CProgressDlg : public CTemplateDialog {
public:
    explicit CProgressDlg(PlatformServices& services, QWidget* parent = nullptr);

    // Makes the controls, names the file in label 1023 and shows the dialog,
    // painted before the remap starts.
    void Start(const std::string& path);
    // Bar 1021 at `percent`, label 1022 "<percent>%", painted at once.
    void SetProgress(int percent);
};

}  // namespace fovella
