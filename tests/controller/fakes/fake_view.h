// An in-memory view for controller tests: a tree with tags, states, pop-up selections and
// the texts set on it. A view made with items is a pop-up, one with children a container,
// any other a two-state button that also takes a text.
#pragma once

#include "platform/appkit.h"

#include <memory>
#include <string>
#include <vector>

namespace halix::testing {

class FakeView : public View {
public:
    explicit FakeView(int tag = 0, int itemCount = 0) : tag_(tag), itemCount_(itemCount) {}

    FakeView* addChild(int tag = 0, int itemCount = 0) {
        children_.push_back(std::make_unique<FakeView>(tag, itemCount));
        children_.back()->parent_ = this;
        return children_.back().get();
    }

    int tag() const override { return tag_; }
    View* superview() const override { return parent_; }
    View* viewWithTag(int tag) override {
        if (tag_ == tag) {
            return this;
        }
        for (const auto& child : children_) {
            if (View* found = child->viewWithTag(tag)) {
                return found;
            }
        }
        return nullptr;
    }
    int state() const override { return isButton() ? state_ : 0; }
    void setState(int state) override {
        if (isButton()) {
            state_ = state != 0 ? 1 : 0;
        }
        ++updates;
    }
    int indexOfSelectedItem() const override { return selected_; }
    void selectItemAtIndex(int index) override {
        selected_ = index >= 0 && index < itemCount_ ? index : -1;
        ++updates;
    }
    void setStringValue(const std::string& value) override {
        text = value;
        ++updates;
    }

    std::string text;
    int updates = 0; // every set, select or text change

private:
    bool isButton() const { return itemCount_ == 0 && children_.empty(); }

    int tag_;
    int itemCount_;
    int state_ = 0;
    int selected_ = -1;
    FakeView* parent_ = nullptr;
    std::vector<std::unique_ptr<FakeView>> children_;
};

} // namespace halix::testing
