// Owns the views of a window's widgets: one view per widget, made on first request and
// kept as long as the registry, so that view pointers handed to the controller stay valid.
#pragma once

#include "gui/qt_view.h"

#include <memory>
#include <unordered_map>
#include <vector>

class QWidget;

namespace halix {

class ViewRegistry {
public:
    ViewRegistry() = default;
    ~ViewRegistry() = default;
    ViewRegistry(const ViewRegistry&) = delete;
    ViewRegistry& operator=(const ViewRegistry&) = delete;
    ViewRegistry(ViewRegistry&&) = delete;
    ViewRegistry& operator=(ViewRegistry&&) = delete;

    // The view of `widget`; null for null.
    QtView* viewFor(QWidget* widget);

private:
    std::unordered_map<const QWidget*, std::unique_ptr<QtView>> mViews;
    std::vector<std::unique_ptr<QtView>> mRetired;
};

} // namespace halix
