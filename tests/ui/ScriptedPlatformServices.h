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
    std::string details, checkBox, explanation;  // of its extras, when it had them
};

class ScriptedPlatformServices : public PlatformServices {
public:
    // Answers in order; Cancel (or Ok) once the script is used up.
    std::deque<MessageAnswer> messageAnswers;
    // The check box's state given back by each message that has one, in
    // order; unchecked once the script is used up.
    std::deque<bool> checkBoxAnswers;
    // Chosen paths in order; an empty path, or none left, is a cancel.
    std::deque<std::string> fileAnswers;

    std::vector<ShownMessage> messages;
    std::vector<FileDialogRequest> openRequests, saveRequests;
    std::vector<std::string> openedUrls;
    std::vector<std::string> browseStarts;  // where each folder chooser opened
    int helpShown = 0;

    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons, MessageExtras* extras = nullptr) override
    {
        messages.push_back({text, caption, icon, buttons, extras ? extras->details : std::string(),
                            extras ? extras->checkBox : std::string(), extras ? extras->explanation : std::string()});
        if (extras && !extras->checkBox.empty()) {
            extras->checked = !checkBoxAnswers.empty() && checkBoxAnswers.front();
            if (!checkBoxAnswers.empty())
                checkBoxAnswers.pop_front();
        }
        if (messageAnswers.empty())
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok
                   : buttons == MessageButtons::YesNo ? MessageAnswer::No
                                                      : MessageAnswer::Cancel;
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
