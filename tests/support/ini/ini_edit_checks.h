#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace sheetcut::testing {

// Plays `input` on an INI file in `folder` (which it empties of that file first): its first bytes
// are the file's content, the rest a few changes through IniFile and KeptIniFile (see the .cpp
// for the layout). After each change it checks what every change must keep: a key written reads
// back as written, keys the change did not name read as before, a refused change leaves the
// bytes as they were, a file that was text stays text, UTF-16 keeps its mark, UTF-8 stays
// UTF-8, GBK stays GBK unless it became plain ASCII, lines that all end alike keep that ending,
// and a kept file's sync leaves the file answering what the kept file answered. As long as only
// the kept file writes, each of its writes is taken or refused as the same write through IniFile
// on a second file, and each sync leaves the two files the same bytes.
//
// Returns "" when all held, else what broke first. The fuzzer aborts on it; an ordinary test
// replays the inputs the fuzzer found.
std::string checkIniEdits(std::string_view input, const std::filesystem::path& folder);

}  // namespace sheetcut::testing
