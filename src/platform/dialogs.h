#pragma once

#include <string>

namespace zerlin {

// What the main window's one file dialog keeps between uses. The filter is a text of
// description and pattern pairs, each followed by "|".
struct FileDialogState {
    std::string filter;
    std::string title;
    std::string fileName;
};

enum class FileDialogMode { Open, Save };

class FileDialog {
  public:
    virtual ~FileDialog() = default;
    // Shows a modal dialog built from the state. Returns false when the user cancelled;
    // otherwise the state's file name holds the chosen path.
    virtual bool show(FileDialogState& state, FileDialogMode mode) = 0;
};

// A modal message with a single OK button and the application's title.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void show(const std::string& text) = 0;
};

// A modal one-line text input with OK and Cancel; the field starts empty.
class TextInput {
  public:
    virtual ~TextInput() = default;
    // The typed text after OK, the empty text after Cancel.
    virtual std::string ask(const std::string& prompt) = 0;
    // The same, the field starting with the offered text.
    virtual std::string askOffering(const std::string& prompt, const std::string& offered) {
        (void)offered;
        return ask(prompt);
    }
};

}  // namespace zerlin
