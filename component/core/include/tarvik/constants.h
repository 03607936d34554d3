#pragma once

// Names and constants the whole component shares.

#include <QString>

namespace tarvik {

// The extension of drawing files, used wherever a drawing name is formed or tested.
inline const QString kDrawingExtension = QStringLiteral(".dxf");

// ProgID-like name of the drawing host that the connection reports and uses.
inline const QString kHostAppName = QStringLiteral("AutoCAD.Application");

// Sub-folders of the template folder: templates' cell and layout files, template drawings.
// Created lower-case, found without regard to case (see template_folders.h).
inline const QString kModFolder = QStringLiteral("mod");
inline const QString kModDwgFolder = QStringLiteral("moddwg");

// The template list file in the template folder.
inline const QString kTemplateListFile = QStringLiteral("db.xml");

}  // namespace tarvik
