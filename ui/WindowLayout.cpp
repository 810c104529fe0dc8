#include "ui/WindowLayout.h"

#include "ui/CorrectorControls.h"

#include <utility>

namespace fovella {

namespace {

int Shift(Follow follow, int growth)
{
    switch (follow) {
    case Follow::HalfShift: return growth / 2;
    case Follow::Shift: return growth;
    default: return 0;
    }
}

}  // namespace

const std::vector<LayoutRule>& WindowLayoutRules()
{
    using F = Follow;
    static const std::vector<LayoutRule> rules = {
        {kImageGroup, F::Stretch, F::Stretch}, {kImageFrame, F::Stretch, F::Stretch},
        {kPanelFrame, F::Fixed, F::Stretch},   {kLogo, F::Fixed, F::Fixed},
        {kMakerName, F::Fixed, F::Fixed},      {kWebLink, F::Fixed, F::Fixed},
        {kOpen, F::Fixed, F::HalfShift},       {kSave, F::Fixed, F::HalfShift},
        {kPrevious, F::Fixed, F::HalfShift},   {kNext, F::Fixed, F::HalfShift},
        {kFocalGroup, F::Fixed, F::HalfShift}, {kFocalEdit, F::Fixed, F::HalfShift},
        {kUseExif, F::Fixed, F::HalfShift},    {kFineTuneGroup, F::Fixed, F::HalfShift},
        {kFineTuneLabel, F::Fixed, F::HalfShift}, {kFineTune, F::Fixed, F::HalfShift},
        {kReset, F::Fixed, F::HalfShift},      {kUndistort, F::Fixed, F::HalfShift},
        {kUndistortDir, F::Fixed, F::HalfShift}, {kPreviewLabel, F::Fixed, F::HalfShift},
        {kPreviewFrame, F::Fixed, F::HalfShift}, {kHelp, F::Fixed, F::Shift},
        {kExit, F::Fixed, F::Shift},           {kZoomIn, F::HalfShift, F::Shift},
        {kZoomOut, F::HalfShift, F::Shift},    {kZoomLabel, F::HalfShift, F::Shift},
        {kFit, F::HalfShift, F::Shift},        {kShowOriginal, F::Fixed, F::Shift},
        {kAuto, F::Fixed, F::HalfShift},
        {kGrid, F::Fixed, F::Shift},
    };
    return rules;
}

Box LaidOut(const Box& recorded, const LayoutRule& rule, int clientWidth, int clientHeight)
{
    const int dx = clientWidth - kReferenceWidth, dy = clientHeight - kReferenceHeight;
    Box box = recorded;
    box.left += Shift(rule.across, dx);
    box.top += Shift(rule.down, dy);
    if (rule.across == Follow::Stretch)
        box.width += dx;
    if (rule.down == Follow::Stretch)
        box.height += dy;
    return box;
}

std::pair<int, int> MinimumClientSize(const Box& rowStart, const Box& zoomIn, const Box& previewFrame,
                                      const Box& exit)
{
    const int width = kReferenceWidth + 2 * (rowStart.left + rowStart.width - zoomIn.left);
    const int height = kReferenceHeight + 2 * (previewFrame.top + previewFrame.height - exit.top) + 2;
    return {width, height};
}

}  // namespace fovella
