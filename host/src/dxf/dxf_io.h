#pragma once

// Reading and writing DXF drawings: ASCII and binary, R12 (AC1009) to R2018 (AC1032).
// Every failure is a cadhost::HostError whose message names the file (and, for a bad DXF,
// the line or byte offset).

#include <cstdint>
#include <string>
#include <string_view>

#include "cadhost/types.h"
#include "dxf/text_codec.h"
#include "model/drawing.h"

namespace cadhost::dxf {

// Reads a drawing file. A missing file fails with NotFound, a DWG file with Unsupported, a
// bad DXF with BadFile.
model::Drawing readDxfFile(const std::string& path);
// Reads a drawing from its bytes; `nameForMessages` names it in error messages.
model::Drawing readDxf(std::string_view bytes, const std::string& nameForMessages);

// Writes the drawing in its version, code page and form (ASCII or binary). The file goes to a
// temporary file beside `path` that is then renamed into place; on failure (Io) nothing is
// left behind. WriteMode::NoReplace fails with HostError(Exists) when anything is at `path`,
// also when another process takes the name while this one writes.
void writeDxfFile(const model::Drawing& drawing, const std::string& path,
                  WriteMode mode = WriteMode::Replace);
std::string writeDxf(const model::Drawing& drawing);

// A new empty drawing: R2018, UTF-8, millimetres, with the tables, blocks and objects that a
// valid drawing needs.
model::Drawing newDrawing();

// Sets the version ("AC1015") or code page ("ANSI_936") a drawing is written in: the field
// the writer uses and the header variable the file carries.
void setVersion(model::Drawing& drawing, const std::string& acadver);
void setCodepage(model::Drawing& drawing, const std::string& codepage);

// Handles: upper-case hex texts.
std::uint64_t parseHandle(std::string_view hex);  // 0 when not a handle
std::string formatHandle(std::uint64_t handle);
// The handle $HANDSEED holds, which the next new object takes.
std::uint64_t handleSeed(const model::Drawing& drawing);
// Takes the next handle from $HANDSEED and moves the seed on. A drawing without $HANDSEED
// (some R12 files) gets one above the largest handle it uses.
std::string allocateHandle(model::Drawing& drawing);
// The largest handle any object of the drawing carries (0 when none).
std::uint64_t maxHandle(const model::Drawing& drawing);

}  // namespace cadhost::dxf
