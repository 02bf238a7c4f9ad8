// The View contract of appkit.h, held by each view the controller meets: the tests' fake,
// the Qt window's and halix-term's.
#include "controller/fakes/fake_view.h"
#include "gui/view_registry.h"
#include "term/term_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace halix {
namespace {

// Each maker builds a tree under root(): pop-ups of `items` items, two-state buttons, and
// untagged containers holding one button with the tag given.
class FakeViews {
public:
    View* root() { return &mRoot; }
    static View* container(View* parent, int tag) {
        testing::FakeView* box = fake(parent)->addChild();
        box->addChild(tag);
        return box;
    }
    static View* popUp(View* parent, int tag, int items) {
        return fake(parent)->addChild(tag, items);
    }
    static View* button(View* parent, int tag) { return fake(parent)->addChild(tag); }

private:
    static testing::FakeView* fake(View* view) { return dynamic_cast<testing::FakeView*>(view); }
    testing::FakeView mRoot{1};
};

class QtViews {
public:
    View* root() { return mViews.viewFor(mRoot.get()); }
    View* container(View* parent, int tag) {
        auto* box = new QWidget(widget(parent));
        add(new QCheckBox(box), tag);
        return mViews.viewFor(box);
    }
    View* popUp(View* parent, int tag, int items) {
        auto* popUp = new QComboBox(widget(parent));
        for (int i = 0; i < items; ++i) {
            popUp->addItem(QString::number(i));
        }
        return add(popUp, tag);
    }
    View* button(View* parent, int tag) { return add(new QCheckBox(widget(parent)), tag); }

private:
    static QWidget* widget(View* view) { return dynamic_cast<QtView*>(view)->widget(); }
    View* add(QWidget* widget, int tag) {
        widget->setProperty("tag", tag);
        return mViews.viewFor(widget);
    }
    std::unique_ptr<QWidget> mRoot = std::make_unique<QWidget>();
    ViewRegistry mViews;
};

class TermViews {
public:
    View* root() { return mRoot.get(); }
    static View* container(View* parent, int tag) {
        TermView& box = term(parent)->addSubview(TermView::container("box"));
        box.addSubview(TermView::twoStateButton("tagged", tag));
        return &box;
    }
    static View* popUp(View* parent, int tag, int items) {
        std::vector<std::string> texts;
        texts.reserve(static_cast<std::size_t>(items));
        for (int i = 0; i < items; ++i) {
            texts.push_back(std::to_string(i));
        }
        return &term(parent)->addSubview(TermView::popUp("pop-up", texts, tag));
    }
    static View* button(View* parent, int tag) {
        return &term(parent)->addSubview(TermView::twoStateButton("button", tag));
    }

private:
    static TermView* term(View* view) { return dynamic_cast<TermView*>(view); }
    std::unique_ptr<TermView> mRoot = TermView::container("window");
};

template <typename Views> class ViewContract : public ::testing::Test {
protected:
    Views views;
};
using EveryView = ::testing::Types<FakeViews, QtViews, TermViews>;
TYPED_TEST_SUITE(ViewContract, EveryView);

TYPED_TEST(ViewContract, ViewWithTagFindsItselfFirstThenDescendantsInOrder) {
    View* root = this->views.root();
    View* box = this->views.container(root, 7);
    View* laterSeven = this->views.button(root, 7);
    View* eight = this->views.popUp(root, 8, 2);
    EXPECT_EQ(root->viewWithTag(root->tag()), root);
    EXPECT_EQ(root->viewWithTag(7)->superview(), box) << "the one inside the first child";
    EXPECT_EQ(laterSeven->viewWithTag(7), laterSeven);
    EXPECT_EQ(root->viewWithTag(8), eight);
    EXPECT_EQ(eight->viewWithTag(7), nullptr);
    EXPECT_EQ(root->viewWithTag(99), nullptr);
    EXPECT_EQ(eight->superview(), root);
    EXPECT_EQ(root->superview(), nullptr);
}

TYPED_TEST(ViewContract, ButtonsReadOneOrZeroAndOtherViewsIgnoreTheState) {
    View* root = this->views.root();
    View* button = this->views.button(root, 3);
    View* popUp = this->views.popUp(root, 4, 3);
    View* box = this->views.container(root, 5);
    const struct {
        int set;
        int reads;
    } kStates[] = {{1, 1}, {0, 0}, {2, 1}, {-1, 1}, {0, 0}};
    for (const auto& s : kStates) {
        button->setState(s.set);
        popUp->setState(s.set);
        box->setState(s.set);
        EXPECT_EQ(button->state(), s.reads) << "set " << s.set;
        EXPECT_EQ(popUp->state(), 0) << "set " << s.set;
        EXPECT_EQ(box->state(), 0) << "set " << s.set;
    }
}

TYPED_TEST(ViewContract, AnIndexThatNamesNoItemLeavesNoSelectionAndOnlyPopUpsSelect) {
    View* root = this->views.root();
    View* popUp = this->views.popUp(root, 4, 16);
    View* button = this->views.button(root, 3);
    const struct {
        int select;
        int selected;
    } kSelections[] = {{3, 3}, {15, 15}, {16, -1}, {0, 0}, {-1, -1}, {255, -1}, {7, 7}};
    for (const auto& s : kSelections) {
        popUp->selectItemAtIndex(s.select);
        button->selectItemAtIndex(s.select);
        EXPECT_EQ(popUp->indexOfSelectedItem(), s.selected) << "select " << s.select;
        EXPECT_EQ(button->indexOfSelectedItem(), -1) << "select " << s.select;
        EXPECT_EQ(root->indexOfSelectedItem(), -1) << "select " << s.select;
    }
}

} // namespace
} // namespace halix
