// The platform services of a real desktop, through Qt.
#pragma once

#include "framework/PlatformServices.h"

#include <memory>

class QWidget;

namespace fovella {

class HelpWindow;

class QtPlatformServices : public PlatformServices {
public:
    QtPlatformServices();
    ~QtPlatformServices() override;

    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons, MessageExtras* extras = nullptr) override;
    bool AskOpenFileName(const FileDialogRequest& request, std::string& path) override;
    bool AskSaveFileName(const FileDialogRequest& request, std::string& path) override;
    bool BrowseForFolder(const std::string& title, std::string& folder) override;
    bool OpenUrl(const std::string& address) override;
    void ShowHelp() override;

private:
    std::unique_ptr<HelpWindow> m_help;
};

}  // namespace fovella
