// Asks what to do with a result file that exists already: replace it, replace
// it and every later one, skip it, or stop the run.
#pragma once

#include "framework/CTemplateDialog.h"

#include <string>

namespace fovella {

enum : int {
    kOverwriteIcon = 1070,
    kOverwriteMessage = 1052,
    kOverwriteOnce = 6,
    kOverwriteAll = 1050,
    kOverwriteSkip = 7,
    kOverwriteSourceNote = 1073,
};

class COverwriteDlg : public CTemplateDialog {
public:
    explicit COverwriteDlg(PlatformServices& services, QWidget* parent = nullptr);

    std::string m_strMessage;  // "File \"" and the path
    int m_nResult = kIdCancel; // the button that closed the dialog
    // The file is the source of its own result (an empty suffix): a line
    // says so, and Skip is the default button.
    bool m_bSourceItself = false;

protected:
    void DoDataExchange(DataExchange& exchange) override;
    void OnInitDialog() override;
    // Cancel, Esc and the close box.
    void OnCancel() override;

private:
    void CloseWith(int id);
    void ShowSourceItself();
};

}  // namespace fovella
