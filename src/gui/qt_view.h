// A widget of the window seen as a View: tags from the dynamic property "tag", two-state
// buttons, pop-ups and text fields answering the view operations the controller uses.
#pragma once

#include "platform/appkit.h"

#include <QPointer>
#include <QWidget>

namespace halix {

class ViewRegistry;

class QtView final : public View {
public:
    // `registry` hands out the views of related widgets and outlives this view.
    QtView(QWidget* widget, ViewRegistry& registry);

    [[nodiscard]] QWidget* widget() const { return mWidget; }

    // The integer property "tag"; 0 when the widget has none (or is gone).
    [[nodiscard]] int tag() const override;
    // The parent widget's view; null for a window.
    [[nodiscard]] View* superview() const override;
    // This widget, then its descendants depth-first in child order. Separate windows
    // (dialogs parented to a widget) are not part of the view tree.
    View* viewWithTag(int tag) override;
    // Checkable buttons: 1 when checked. Anything else reads 0 and ignores setState.
    [[nodiscard]] int state() const override;
    void setState(int state) override;
    // Pop-ups: the current index. An index naming no item clears the selection (-1).
    // Other widgets read -1 and ignore the selection.
    [[nodiscard]] int indexOfSelectedItem() const override;
    void selectItemAtIndex(int index) override;
    // Line edits, labels (as plain text) and buttons show the value.
    void setStringValue(const std::string& value) override;

private:
    QWidget* findTagged(QWidget* widget, int tag) const;

    // The widget may be deleted by Qt while the view lives on: the view then reads as empty.
    QPointer<QWidget> mWidget;
    ViewRegistry& mRegistry;
};

} // namespace halix
