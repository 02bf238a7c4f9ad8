// What assistive technology is told about a pop-up that has a name of its own: Qt on Linux
// gives a pop-up's current item as its name (the label coming through a relation), so that
// sixteen "Target N maximum transfer" pop-ups would all read "80 MB/s".
#pragma once

namespace halix {

// From here on, every QComboBox with an accessible name of its own reports that name as its
// name and its current item as its value; others keep Qt's own interface. Once per process;
// later calls do nothing.
void installPopUpAccessibility();

} // namespace halix
