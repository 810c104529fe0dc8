// Asks for the quality of a JPEG file about to be written: 0 (worst) to
// 100 (best), 95 at every showing.
#pragma once

#include "framework/CTemplateDialog.h"

namespace fovella {

enum : int { kQualitySlider = 1025, kQualityLabel = 1026 };

class CJpegQualityDlg : public CTemplateDialog {
public:
    explicit CJpegQualityDlg(PlatformServices& services, QWidget* parent = nullptr);

    int m_nQuality = 95;

protected:
    void DoDataExchange(DataExchange& exchange) override;
    void OnInitDialog() override;

private:
    void OnHScroll();
};

}  // namespace fovella
