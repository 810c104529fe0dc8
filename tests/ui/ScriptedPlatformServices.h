// Platform services that answer from a script and record what was asked,
// so that the window's tests run without a desktop.
#pragma once

#include "framework/PlatformServices.h"

#include <deque>
#include <string>
#include <vector>

namespace fovella::test {

struct ShownMessage {
    std::string text, caption;
    MessageIcon icon;
    MessageButtons buttons;
};

class ScriptedPlatformServices : public PlatformServices {
public:
    // Answers in order; Cancel (or Ok) once the script is used up.
    std::deque<MessageAnswer> messageAnswers;
    // Chosen paths in order; an empty path, or none left, is a cancel.
    std::deque<std::string> fileAnswers;

    std::vector<ShownMessage> messages;
    std::vector<FileDialogRequest> openRequests, saveRequests;
    std::vector<std::string> openedUrls;
    std::vector<std::string> browseStarts;  // where each folder chooser opened
    int helpShown = 0;

    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override
    {
        messages.push_back({text, caption, icon, buttons});
        if (messageAnswers.empty())
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
        const MessageAnswer answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    bool AskOpenFileName(const FileDialogRequest& request, std::string& path) override
    {
        openRequests.push_back(request);
        return NextFile(path);
    }
    bool AskSaveFileName(const FileDialogRequest& request, std::string& path) override
    {
        saveRequests.push_back(request);
        return NextFile(path);
    }
    bool BrowseForFolder(const std::string&, std::string& folder) override
    {
        browseStarts.push_back(folder);
        return NextFile(folder);
    }
    bool OpenUrl(const std::string& address) override
    {
        openedUrls.push_back(address);
        return true;
    }
    void ShowHelp() override { ++helpShown; }

private:
    bool NextFile(std::string& path)
    {
        if (fileAnswers.empty())
            return false;
        path = fileAnswers.front();
        fileAnswers.pop_front();
        return !path.empty();
    }
};

}  // namespace fovella::test
