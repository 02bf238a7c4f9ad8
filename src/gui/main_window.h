// The utility's window, built from main_window.ui: the controls the controller reads and
// sets, its buttons, and the close question it puts to its delegate.
#pragma once

#include "controller/window_actions.h"
#include "gui/view_registry.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string_view>

class QAbstractButton;

namespace Ui {
class MainWindow;
}

namespace halix {

// What the window's controls do: its buttons, its password panel's two, and its title bar's
// mark; empty entries do nothing.
struct WindowActions {
    WindowButtons buttons;
    std::function<void()> passwordOk;
    std::function<void()> passwordCancel;
    // The controller's answer whether the window's settings differ from the record last
    // shown, which the title bar marks. Empty: never.
    std::function<bool()> edited;
};

class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    MainWindow(MainWindow&&) = delete;
    MainWindow& operator=(MainWindow&&) = delete;

    void setActions(WindowActions actions) { mActions = std::move(actions); }

    // The view of the widget whose objectName is `name` (the window itself included);
    // null when there is none. Owned by the window.
    View* viewNamed(std::string_view name);
    // The view of any widget of this window; owned by the window.
    View* viewOf(QWidget* widget) { return mViews.viewFor(widget); }

    // Asks `edited` again and marks the title bar accordingly. The window does so on every
    // change of a setting and after every button's action; the composition root once more
    // after a start-up that filled the window.
    void refreshEdited();

    // Shows or hides the channel's settings; hidden, they keep their place, so that the
    // window does not change its size when they appear.
    void setSettingsShown(bool shown);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The setting texts of settings_model, translated, with the pop-ups' items.
    void applySettingTexts();
    // Tab runs through the settings row by row, then through the buttons; Ctrl+W closes.
    void setUpKeyboard();
    // A button's action, then the title bar's edited mark brought up to date.
    void connectButton(QAbstractButton* button, const std::function<void()>& action);
    // A group inside another would otherwise be read with the outer group's title.
    void nameGroupsByTheirTitles();

    std::unique_ptr<Ui::MainWindow> mUi;
    ViewRegistry mViews;
    WindowActions mActions;
};

} // namespace halix
