#pragma once

class QWidget;

namespace mobrel {

// Places the skin pieces of a skinned window for its current size: title bar ends and middle,
// side and bottom edges, corners, the close button, and the title (its top taken from the
// "Tag" property of lblTitle and imgClose). Raises sheetcut::Error when one of the ten pieces
// is missing from the window.
void LayoutSkin(QWidget* window);

}  // namespace mobrel
