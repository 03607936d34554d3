#pragma once

// Why a drawing could not be split, said in the program's words before the component's own
// detail: a drawing that could not be opened or read (and why, where the cause is a known
// one), a DWG file, an empty file, a file that is no DXF drawing, a damaged drawing (with the
// line where reading stopped), an output folder that cannot be created (and why), or frames
// that were not written or plotted (how many, and why where the cause is a known one).

#include <QString>

namespace sheetcut::app {

// The reason for the status bar: one of the cases above followed by ": " and `detail`, or
// `detail` alone when none of them applies. `drawing` is the drawing the component was asked
// to split, `outputFolder` the folder its split drawings were to go to.
QString splitFailureReason(const QString& drawing, const QString& outputFolder,
                           const QString& detail);

// What the start of a drawing file shows it to be.
enum class DrawingKind { Unreadable, Empty, Dwg, NotDxf, Dxf };
DrawingKind drawingKindOf(const QString& path);

// Why `folder` cannot be created: a file stands where a folder of its path should be, or the
// nearest existing folder may not be written to. Empty when the folder exists or no such
// cause is found.
QString whyFolderCannotBeCreated(const QString& folder);

}  // namespace sheetcut::app
