#pragma once

// The host's command line: plain command text ("ucs W ") and the part of the command language
// that drawing programs send: top-level forms (command ...) and (setvar name value), with the
// arguments strings, numbers, point lists and the symbol pause.
//
// Commands: UCS (option World, also the default), U (takes back the last undo group) and
// INSERT (block name or drawing file, insertion point, X scale, Y scale, rotation in degrees).
// A leading "_", "." or "-" of a command name is dropped; names ignore case. Points typed as
// text are in the current UCS. `pause` asks the application's point input; without one it
// cancels, and a cancel ends the whole text quietly. An unknown command or function fails.

#include <string_view>

namespace cadhost::detail {

class DocumentCore;

void runCommandText(DocumentCore& doc, std::string_view text);

}  // namespace cadhost::detail
