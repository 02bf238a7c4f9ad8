// Stand-in for the application framework: the application object (alerts, open and save
// panels, modal runs, termination) and the views of the window. Implemented by each front end.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace halix {

// A control or container of the window. Views belong to their front end.
class View {
public:
    virtual ~View() = default;
    [[nodiscard]] virtual int tag() const = 0;
    // The containing view; null for the window's content.
    [[nodiscard]] virtual View* superview() const = 0;
    // The first view with `tag`: this view itself, then its descendants; null if none.
    virtual View* viewWithTag(int tag) = 0;
    // Two-state buttons: 1 on, 0 off. Other views read 0 and ignore setState.
    [[nodiscard]] virtual int state() const = 0;
    virtual void setState(int state) = 0;
    // Pop-ups: the selected item, -1 when nothing is selected. Selecting an index that
    // names no item leaves the pop-up with no selection. Other views read -1, nothing
    // selected, and ignore the selection: a control of another kind where a pop-up belongs
    // never reads as an item the record would take.
    [[nodiscard]] virtual int indexOfSelectedItem() const = 0;
    virtual void selectItemAtIndex(int index) = 0;
    // Text fields.
    virtual void setStringValue(const std::string& value) = 0;
};

// A reference to a control that may be null: every use of a null reference does nothing
// and reads as 0, so a control missing from the window never stops the program.
class ControlRef {
public:
    ControlRef() = default;
    explicit ControlRef(View* view) : view_(view) {}

    explicit operator bool() const { return view_ != nullptr; }
    [[nodiscard]] View* view() const { return view_; }

    [[nodiscard]] int tag() const { return view_ != nullptr ? view_->tag() : 0; }
    [[nodiscard]] ControlRef superview() const {
        return ControlRef(view_ != nullptr ? view_->superview() : nullptr);
    }
    [[nodiscard]] ControlRef viewWithTag(int tag) const {
        return ControlRef(view_ != nullptr ? view_->viewWithTag(tag) : nullptr);
    }
    [[nodiscard]] int state() const { return view_ != nullptr ? view_->state() : 0; }
    void setState(int state) const {
        if (view_ != nullptr) {
            view_->setState(state);
        }
    }
    [[nodiscard]] int indexOfSelectedItem() const {
        return view_ != nullptr ? view_->indexOfSelectedItem() : 0;
    }
    void selectItemAtIndex(int index) const {
        if (view_ != nullptr) {
            view_->selectItemAtIndex(index);
        }
    }
    void setStringValue(const std::string& value) const {
        if (view_ != nullptr) {
            view_->setStringValue(value);
        }
    }

private:
    View* view_ = nullptr;
};

inline constexpr int NSAlertDefaultReturn = 1;
inline constexpr int NSAlertAlternateReturn = 0;
inline constexpr int NSAlertOtherReturn = -1;
inline constexpr int NSOKButton = 1;
inline constexpr int NSCancelButton = 0;

// What a file panel is for: a front end titles the panel by it, and names the files it offers
// first (those of the types the panel is given, beside all files).
enum class FilePurpose {
    ImageToWrite,   // the flash BIOS image Write Flash writes
    ImageToVerify,  // the image Verify Flash compares the flash with
    FlashCopy,      // where Save Flash saves the flash
    SettingsToLoad, // the settings file Load Settings reads
    SettingsToSave, // where Save Settings saves the settings
};

class OpenPanel {
public:
    virtual ~OpenPanel() = default;
    // Runs the panel modally, starting in `directory`. `types` null: any file may be chosen;
    // else files of those extensions (no dots) are offered first, any other file still may be.
    // Returns NSOKButton when the person chose a file.
    virtual int runModalForDirectory(const std::string& directory, const std::string& file,
                                     const std::vector<std::string>* types) = 0;
    // The chosen file's full path.
    [[nodiscard]] virtual std::string filename() const = 0;
};

class SavePanel {
public:
    virtual ~SavePanel() = default;
    // Runs the panel modally, starting in `directory` with `file` proposed as the name; the
    // person is asked before an existing file is chosen. Returns NSOKButton when the person
    // chose where to save.
    virtual int runModalForDirectory(const std::string& directory, const std::string& file) = 0;
    // The chosen file's full path.
    [[nodiscard]] virtual std::string filename() const = 0;
};

class Application {
public:
    virtual ~Application() = default;

    // Shows a modal alert and blocks until a button is pressed. A null button title means
    // no such button. The message is shown as it stands (no format directives).
    // Returns NSAlertDefaultReturn, NSAlertAlternateReturn or NSAlertOtherReturn.
    virtual int NSRunAlertPanel(const std::string& title, const std::string& message,
                                const char* defaultButton, const char* alternateButton,
                                const char* otherButton) = 0;

    virtual std::unique_ptr<OpenPanel> openPanel(FilePurpose purpose) = 0;
    virtual std::unique_ptr<SavePanel> savePanel(FilePurpose purpose) = 0;

    // Asks the application to end. It returns, and the application ends once the caller is
    // back in the event loop: the caller must return at once, and no card command, alert,
    // tool run or control update follows.
    virtual void terminate(const void* sender) = 0;
    [[nodiscard]] virtual bool isTerminating() const = 0;

    virtual void stopModal() = 0;
    virtual void abortModal() = 0;
};

} // namespace halix
