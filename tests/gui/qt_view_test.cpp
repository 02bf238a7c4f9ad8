#include "gui/view_registry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace halix {
namespace {

QWidget* tagged(QWidget* widget, int tag) {
    widget->setProperty("tag", tag);
    return widget;
}

TEST(QtView, TagIsTheIntegerPropertyOrZero) {
    ViewRegistry views;
    QWidget plain;
    QWidget numbered;
    numbered.setProperty("tag", 305);
    QWidget wordy;
    wordy.setProperty("tag", QStringLiteral("three"));
    EXPECT_EQ(views.viewFor(&plain)->tag(), 0);
    EXPECT_EQ(views.viewFor(&numbered)->tag(), 305);
    EXPECT_EQ(views.viewFor(&wordy)->tag(), 0);
}

TEST(QtView, OneViewPerWidget) {
    ViewRegistry views;
    QWidget widget;
    EXPECT_EQ(views.viewFor(&widget), views.viewFor(&widget));
    EXPECT_EQ(views.viewFor(nullptr), nullptr);
}

TEST(QtView, SuperviewIsTheParentAndNullForAWindow) {
    ViewRegistry views;
    QWidget window;
    auto* child = new QWidget(&window);
    EXPECT_EQ(views.viewFor(child)->superview(), views.viewFor(&window));
    EXPECT_EQ(views.viewFor(&window)->superview(), nullptr);
}

TEST(QtView, ViewWithTagDoesNotEnterSeparateWindows) {
    ViewRegistry views;
    QWidget root;
    auto* panel = new QWidget(&root, Qt::Dialog);
    tagged(new QWidget(panel), 9);
    EXPECT_EQ(views.viewFor(&root)->viewWithTag(9), nullptr);
}

TEST(QtView, StateBelongsToCheckableButtonsOnly) {
    ViewRegistry views;
    QCheckBox box;
    View* boxView = views.viewFor(&box);
    EXPECT_EQ(boxView->state(), 0);
    boxView->setState(1);
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ(boxView->state(), 1);
    boxView->setState(7);
    EXPECT_EQ(boxView->state(), 1);
    boxView->setState(0);
    EXPECT_FALSE(box.isChecked());

    QPushButton push;
    views.viewFor(&push)->setState(1);
    EXPECT_EQ(views.viewFor(&push)->state(), 0);
    QLabel label;
    views.viewFor(&label)->setState(1);
    EXPECT_EQ(views.viewFor(&label)->state(), 0);
}

// What the view selects is what the pop-up shows (the view contract checks the indices).
TEST(QtView, ThePopUpShowsTheSelectionItsViewMakes) {
    ViewRegistry views;
    QComboBox popUp;
    popUp.addItems({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")});
    View* view = views.viewFor(&popUp);
    for (const int select : {2, 3, 0, -1}) {
        view->selectItemAtIndex(select);
        EXPECT_EQ(popUp.currentIndex(), view->indexOfSelectedItem()) << "select " << select;
    }
}

TEST(QtView, StringValuesAreShownAsTheyStand) {
    ViewRegistry views;
    QLineEdit field;
    QLabel label;
    const std::string text = "<b>100% %s</b> \xC3\xBC";
    views.viewFor(&field)->setStringValue(text);
    views.viewFor(&label)->setStringValue(text);
    EXPECT_EQ(field.text().toStdString(), text);
    EXPECT_EQ(label.text().toStdString(), text);
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
}

TEST(QtView, AViewOfADeletedWidgetReadsAsEmpty) {
    ViewRegistry views;
    auto box = std::make_unique<QCheckBox>();
    box->setChecked(true);
    box->setProperty("tag", 3);
    View* view = views.viewFor(box.get());
    box.reset();
    EXPECT_EQ(view->tag(), 0);
    EXPECT_EQ(view->state(), 0);
    EXPECT_EQ(view->superview(), nullptr);
    EXPECT_EQ(view->viewWithTag(3), nullptr);
    view->setState(1);
    view->selectItemAtIndex(1);
    view->setStringValue("gone");
    // A new widget, possibly at the old address, gets its own view; the old one lives on.
    QCheckBox successor;
    EXPECT_NE(views.viewFor(&successor), view);
    EXPECT_EQ(view->tag(), 0);
}

} // namespace
} // namespace halix
