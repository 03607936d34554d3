#pragma once

#include <QString>
#include <string>
#include <vector>

#include "mobrel/ini_file.h"

namespace mobrel {

// Why a section or key name cannot be written so that it reads back as the same name: "" when
// it can, else a message that names it. A name must not hold line breaks or other control
// characters, nor begin or end with a blank (a read trims it, so " a" would meet "a"). A key
// must further not hold "=" (a read splits the line at the first one) nor begin with "[" (the
// line would read as a section header) or ";" (a comment to other readers). A section may hold
// any other text, "[", "]" and "] ;" included: IniDocument finds a header by its whole text.
QString unholdableName(const QString& section, const QString& key);

class IniDocument;
// The same for a key about to be written to a file already read: its names and its value (as
// written, line breaks made spaces) must also keep every character in the file's encoding; a
// file in the ANSI code page has no code for some, which would be written as "?". The message
// names the text and the characters it would lose.
QString unholdableWrite(const IniDocument& doc, const QString& section, const QString& key,
                        const QString& value);

// Why the document's new bytes cannot replace the file `path`: "" when they can. The encoding
// is told from the bytes, so a file in the ANSI code page that a change leaves without a byte
// that UTF-8 refuses would read back as UTF-8, each of its other texts changed ("孝" in GBK is
// "Т" in UTF-8). The message names the file.
QString unholdableBytes(const IniDocument& doc, const std::string& bytes, const QString& path);
// The same for keys about to be set in the document (see IniDocument::readsAsUtf8After), so that
// a change that waits is refused when it is asked for, as a plain write refuses it.
QString unholdableChange(const IniDocument& doc, const std::vector<IniFile::KeyWrite>& keys,
                         const QString& path);

// Why the file `path`, read into `doc`, must not be changed at all: "" when it may be. A file
// that is no text (binary data, UTF-16 without its mark or broken) reads as holding nothing,
// so that a rewrite would lose everything in it and an append would add text it cannot hold.
QString unreadableText(const IniDocument& doc, const QString& path);

}  // namespace mobrel
