// One view of the terminal window.
#include "term/term_view.h"

#include <utility>

namespace halix {

TermView::TermView(std::string name, Kind kind, int tag)
    : mName(std::move(name)), mKind(kind), mTag(tag) {}

std::unique_ptr<TermView> TermView::container(std::string name) {
    return std::unique_ptr<TermView>(new TermView(std::move(name), Kind::Container, kNoTag));
}

std::unique_ptr<TermView> TermView::popUp(std::string name, std::vector<std::string> items,
                                          int tag) {
    std::unique_ptr<TermView> view(new TermView(std::move(name), Kind::PopUp, tag));
    view->mItems = std::move(items);
    view->mSelectedItem = view->mItems.empty() ? -1 : 0;
    return view;
}

std::unique_ptr<TermView> TermView::twoStateButton(std::string name, int tag) {
    return std::unique_ptr<TermView>(new TermView(std::move(name), Kind::TwoStateButton, tag));
}

std::unique_ptr<TermView> TermView::textField(std::string name, TextSink sink) {
    std::unique_ptr<TermView> view(new TermView(std::move(name), Kind::TextField, kNoTag));
    view->mSink = std::move(sink);
    return view;
}

TermView& TermView::addSubview(std::unique_ptr<TermView> child) {
    child->mSuperview = this;
    mSubviews.push_back(std::move(child));
    return *mSubviews.back();
}

TermView* TermView::termViewWithTag(int tag) {
    if (mTag == tag) {
        return this;
    }
    for (const auto& child : mSubviews) {
        if (TermView* found = child->termViewWithTag(tag)) {
            return found;
        }
    }
    return nullptr;
}

int TermView::state() const {
    return mKind == Kind::TwoStateButton ? mState : 0;
}

void TermView::setState(int state) {
    if (mKind == Kind::TwoStateButton) {
        mState = state != 0 ? 1 : 0;
    }
}

int TermView::indexOfSelectedItem() const {
    return mKind == Kind::PopUp ? mSelectedItem : -1;
}

void TermView::selectItemAtIndex(int index) {
    if (mKind == Kind::PopUp) {
        mSelectedItem = index >= 0 && index < itemCount() ? index : -1;
    }
}

void TermView::setStringValue(const std::string& value) {
    if (mKind != Kind::TextField) {
        return;
    }
    mStringValue = value;
    if (mSink) {
        mSink(value);
    }
}

} // namespace halix
