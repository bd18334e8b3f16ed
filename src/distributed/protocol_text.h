// How texts travel as quoted message arguments.
//
// Plain form, which every peer reads: the text between double quotes, each
// double quote written as backslash-quote. Output and inline content are
// folded first (each CR LF becomes CR); their receiver turns every CR back
// into CR LF. Plain form cannot carry some texts: a NUL byte, a CR that is
// no line end, CR LF followed by LF (the message line would end there), a
// final backslash (it would escape the closing quote), and a double-byte
// lead byte standing alone before a double quote (a double-byte-aware
// reader pairs it with the escaping backslash).
//
// Exact form carries any text. Its message says so by writing its integer
// argument with a leading zero ("00", "01"), which reads as the same number
// everywhere and which no peer writes otherwise. Inside the quotes the text
// is neither folded nor unfolded, and the bytes plain form cannot carry (a
// NUL, an LF after a CR, a final backslash, a lone lead byte before a double
// quote) and DLE (0x10) itself are written as DLE followed by the byte XOR
// 0x40. A reader that does not know the form sees the same message, its
// number unchanged, with those few bytes changed and each CR read as CR LF.
#pragma once

#include <string>
#include <string_view>

namespace distributed {

// True when `text` in plain form reads back unchanged at every peer
// (`folds`: the text is folded and unfolded on its way).
bool TravelsPlain(std::string_view text, bool folds);

// The quoted argument, double quotes included.
std::string QuotePlain(std::string_view text, bool folds);
std::string QuoteExact(std::string_view text);
// Appends the quoted argument in plain form when `text` travels plain;
// false otherwise, with part of it appended, for the caller to cut off.
// With `split`, a folded text's argument ends after the first CR LF that
// another LF follows (that pair would end the message line), and *split
// tells where; else *split is left alone.
bool AppendPlain(std::string& out, std::string_view text, bool folds, std::size_t* split = nullptr);

// Undo the forms on an argument as the evaluator hands it over (quotes
// removed, backslash-quote already read as a quote).
std::string ReadPlain(std::string_view value, bool folds);
std::string ReadExact(std::string_view value);
// The same, appended to `out` (whose memory is reused).
void AppendReadPlain(std::string& out, std::string_view value, bool folds);
void AppendReadExact(std::string& out, std::string_view value);

// The integer argument that marks the form (see above); only 0 to 9 have
// an exact form.
std::string FormNumber(int value, bool exact);
bool IsExactFormNumber(std::string_view argument);

// A name that reads as one bare word travels bare, anything else quoted;
// the reader accepts both.
bool IsBareWord(std::string_view name);
std::string NameArgument(std::string_view name);

}  // namespace distributed
