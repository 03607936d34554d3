#pragma once

class QWidget;

namespace mobrel {

// Keeps the window above other windows, or lets it go back among them. Its place and size stay;
// a visible window is shown again, since changing the hint hides it.
void SetTopMost(QWidget* window, bool onTop);

}  // namespace mobrel
