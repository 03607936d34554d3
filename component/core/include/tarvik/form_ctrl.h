#pragma once

// Window and folder helpers shared by the component's forms and the split.

#include <QString>

class QWidget;

namespace tarvik::FormCtrl {

// Keeps the window above all others (true) or lets it go back to the normal order (false).
void SetTopMost(QWidget* window, bool topMost);

// Creates every missing level of a folder path; failures (existing folders, no permission) are
// ignored, so the caller tests the folder afterwards when it matters.
void MakeDir(const QString& path);

}  // namespace tarvik::FormCtrl
