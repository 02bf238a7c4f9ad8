#include "gui/qt_view.h"

#include "gui/view_registry.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>

namespace halix {

namespace {

int tagOf(const QWidget* widget) {
    const QVariant value = widget->property("tag");
    bool isNumber = false;
    const int tag = value.toInt(&isNumber);
    return isNumber ? tag : 0;
}

} // namespace

QtView::QtView(QWidget* widget, ViewRegistry& registry) : mWidget(widget), mRegistry(registry) {}

int QtView::tag() const {
    return mWidget ? tagOf(mWidget) : 0;
}

View* QtView::superview() const {
    if (!mWidget || mWidget->isWindow()) {
        return nullptr;
    }
    return mRegistry.viewFor(mWidget->parentWidget());
}

QWidget* QtView::findTagged(QWidget* widget, int tag) const {
    if (tagOf(widget) == tag) {
        return widget;
    }
    for (QObject* child : widget->children()) {
        auto* childWidget = qobject_cast<QWidget*>(child);
        if (childWidget == nullptr || childWidget->isWindow()) {
            continue;
        }
        if (QWidget* found = findTagged(childWidget, tag)) {
            return found;
        }
    }
    return nullptr;
}

View* QtView::viewWithTag(int tag) {
    if (!mWidget) {
        return nullptr;
    }
    return mRegistry.viewFor(findTagged(mWidget, tag));
}

int QtView::state() const {
    const auto* button = qobject_cast<const QAbstractButton*>(mWidget.data());
    return button != nullptr && button->isCheckable() && button->isChecked() ? 1 : 0;
}

void QtView::setState(int state) {
    auto* button = qobject_cast<QAbstractButton*>(mWidget.data());
    if (button == nullptr || !button->isCheckable()) {
        return;
    }
    // A radio button refuses to be turned off while it is the one chosen, but the program may
    // turn a choice's buttons all off (a record whose code names none of them).
    const bool exclusive = button->autoExclusive();
    if (state == 0 && exclusive) {
        button->setAutoExclusive(false);
    }
    button->setChecked(state != 0);
    button->setAutoExclusive(exclusive);
}

int QtView::indexOfSelectedItem() const {
    const auto* popUp = qobject_cast<const QComboBox*>(mWidget.data());
    return popUp != nullptr ? popUp->currentIndex() : -1;
}

void QtView::selectItemAtIndex(int index) {
    auto* popUp = qobject_cast<QComboBox*>(mWidget.data());
    if (popUp == nullptr) {
        return;
    }
    popUp->setCurrentIndex(index >= 0 && index < popUp->count() ? index : -1);
}

void QtView::setStringValue(const std::string& value) {
    const QString text = QString::fromStdString(value);
    if (auto* field = qobject_cast<QLineEdit*>(mWidget.data())) {
        field->setText(text);
        field->setCursorPosition(0);
    } else if (auto* label = qobject_cast<QLabel*>(mWidget.data())) {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(mWidget.data())) {
        button->setText(text);
    }
}

} // namespace halix
