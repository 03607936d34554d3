#pragma once

// The fixed text width model of the host. No font files are read; every character has a
// width in units of the text height:
//   1.0   full-width characters: CJK ideographs, kana, hangul, CJK punctuation and
//         full-width forms (U+1100-115F, U+2E80-A4CF, U+AC00-D7A3, U+F900-FAFF,
//         U+FE30-FE4F, U+FF00-FF60, U+FFE0-FFE6, U+20000 and above)
//   0.35  narrow characters: i j l I 1 ! | . , : ; ' ` and the brackets ( ) [ ] { }
//   0.5   space and no-break space
//   0     control characters
//   0.65  every other character
// times the width factor. A text is H high above its baseline (no descenders): the baseline
// is the bottom of its box. The width of a prefix never exceeds the width of the whole text,
// and "" has width 0.

#include <string>
#include <string_view>
#include <vector>

namespace cadhost::geom {

// Width of one code point, in units of the text height.
double characterWidth(char32_t c);

// Whether a code point is one of the full-width characters above.
bool isFullWidth(char32_t c);

// Width of a plain (already decoded) UTF-8 text of this height and width factor.
double textWidth(std::string_view text, double height, double widthFactor = 1.0);

// The visible text of a TEXT / ATTDEF / ATTRIB value: %%d, %%p, %%c become their symbols,
// %%u / %%o / %%k toggles vanish, %%nnn becomes character nnn, %%% becomes %.
std::string plainSingleLineText(std::string_view value);
// One step of plainSingleLineText: appends what the character or %% code at value[i] (i below
// the value's length) gives and returns where the next step starts. It looks at no character at
// or past that start but the one that ends a run of %%nnn digits.
std::size_t plainSingleLineStep(std::string_view value, std::size_t i, std::string& out);

// The visible text of MTEXT contents: formatting codes (\f..; \H..; \C..; \A..; \W..; \Q..;
// \T..; \p..; \L \l \O \o \K \k, braces) removed, \~ a space, \\ \{ \} literal, \S a^b;
// stacked as its longer part; \P, \N and line breaks start a new paragraph ('\n').
std::string plainMText(std::string_view contents);

// Wraps the paragraphs of a plain MTEXT text at `referenceWidth` (no wrapping when <= 0):
// at spaces, and between two full-width characters. Returns the lines.
std::vector<std::string> wrapMTextLines(std::string_view plain, double height, double widthFactor,
                                        double referenceWidth);

// Distance between baselines of consecutive MTEXT lines for a line-spacing factor (group 44).
double mtextLineSpacing(double height, double spacingFactor = 1.0);

}  // namespace cadhost::geom
