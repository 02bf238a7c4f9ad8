// One view of the terminal window, kept in memory: a container, a pop-up, a two-state
// button or a text field. The controller and the script act on the same views.
#pragma once

#include "platform/appkit.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace halix {

// Where a text field reports each new value.
using TextSink = std::function<void(const std::string& text)>;

class TermView final : public View {
public:
    enum class Kind { Container, PopUp, TwoStateButton, TextField };
    // The tag of a view that has none; no control of the window uses it.
    static constexpr int kNoTag = -1;

    static std::unique_ptr<TermView> container(std::string name);
    // A pop-up showing `items`; item 0 is selected, as in a new pop-up.
    static std::unique_ptr<TermView> popUp(std::string name, std::vector<std::string> items,
                                           int tag = kNoTag);
    static std::unique_ptr<TermView> twoStateButton(std::string name, int tag = kNoTag);
    // A text field that gives every value of setStringValue to `sink`.
    static std::unique_ptr<TermView> textField(std::string name, TextSink sink);

    TermView(const TermView&) = delete;
    TermView& operator=(const TermView&) = delete;
    TermView(TermView&&) = delete;
    TermView& operator=(TermView&&) = delete;
    ~TermView() override = default;

    // Takes ownership of `child`, makes this view its superview and returns it.
    TermView& addSubview(std::unique_ptr<TermView> child);

    [[nodiscard]] const std::string& name() const { return mName; }
    [[nodiscard]] Kind kind() const { return mKind; }
    [[nodiscard]] int itemCount() const { return static_cast<int>(mItems.size()); }
    [[nodiscard]] const std::vector<std::string>& items() const { return mItems; }
    [[nodiscard]] const std::string& stringValue() const { return mStringValue; }
    [[nodiscard]] const std::vector<std::unique_ptr<TermView>>& subviews() const {
        return mSubviews;
    }

    [[nodiscard]] int tag() const override { return mTag; }
    [[nodiscard]] View* superview() const override { return mSuperview; }
    View* viewWithTag(int tag) override { return termViewWithTag(tag); }
    // viewWithTag, typed: this view itself first, then its descendants in order.
    TermView* termViewWithTag(int tag);
    // Two-state buttons keep 1 for any state other than 0.
    [[nodiscard]] int state() const override;
    void setState(int state) override;
    [[nodiscard]] int indexOfSelectedItem() const override;
    void selectItemAtIndex(int index) override;
    // Only text fields take a string value.
    void setStringValue(const std::string& value) override;

private:
    TermView(std::string name, Kind kind, int tag);

    std::string mName;
    Kind mKind;
    int mTag;
    TermView* mSuperview = nullptr;
    std::vector<std::unique_ptr<TermView>> mSubviews;
    int mState = 0;
    std::vector<std::string> mItems;
    int mSelectedItem = -1;
    std::string mStringValue;
    TextSink mSink;
};

} // namespace halix
