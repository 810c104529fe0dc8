// What the window asks of the desktop it runs on: modal messages, the file
// and folder choosers, the web browser and the help viewer. The window uses
// nothing else of the platform for these, so that tests can answer in its
// place (a scripted implementation) and a real desktop through Qt.
#pragma once

#include <string>

namespace fovella {

// The icon of a modal message; Question goes with the Yes/No(/Cancel) buttons.
enum class MessageIcon { Warning, Error, Information, Question };
enum class MessageButtons { Ok, YesNoCancel, YesNo };
enum class MessageAnswer { Ok, Yes, No, Cancel };

// What a message may carry beside its text: details the user unfolds (the
// reasons behind it, one per line), a check box whose state comes back, and
// an explanation shown under the text.
struct MessageExtras {
    std::string details;      // none when empty
    std::string checkBox;     // the check box's text; none when empty
    bool checked = false;     // the check box's state when the message closed
    std::string explanation;  // shown under the text at once, smaller; none when empty
};

// A file chooser as the window specifies it. `filter` is written in pairs of
// description and patterns, each followed by "|", the list ended by a second
// "|": "BMP (*.bmp)|*.bmp|PNG (*.png)|*.png||"; the first pair is selected.
// `defaultExtension` (no dot) is added to a name typed without one.
struct FileDialogRequest {
    std::string filter;
    std::string defaultExtension;
    std::string initialName;
    bool confirmOverwrite = false;  // ask before an existing file is chosen
    std::string initialFolder;      // where the chooser starts; empty: where it last was
};

class PlatformServices {
public:
    virtual ~PlatformServices() = default;

    // A modal message; `extras`, when given, adds its details and check box
    // and takes back the check box's state. Closing it otherwise than by a
    // button is Cancel, or No when there is no Cancel, or Ok.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                      MessageIcon icon, MessageButtons buttons,
                                      MessageExtras* extras = nullptr) = 0;
    // The chosen full path; false when the chooser was cancelled.
    virtual bool AskOpenFileName(const FileDialogRequest& request, std::string& path) = 0;
    virtual bool AskSaveFileName(const FileDialogRequest& request, std::string& path) = 0;
    // A folder, starting at `folder`; false when cancelled.
    virtual bool BrowseForFolder(const std::string& title, std::string& folder) = 0;
    // Hands a web address to the desktop's browser; false when it refused.
    virtual bool OpenUrl(const std::string& address) = 0;
    // The user manual, at its table of contents.
    virtual void ShowHelp() = 0;
};

}  // namespace fovella
