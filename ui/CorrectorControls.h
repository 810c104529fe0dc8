// The control ids of the main window's template.
#pragma once

namespace fovella {

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
    kAuto = 1072,
    kOutdatedNote = 1073,  // beside "Preview:": the settings changed since Undistort
    kGrid = 1080,
};

}  // namespace fovella
