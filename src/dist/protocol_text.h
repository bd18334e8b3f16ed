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
// is neither folded nor unfolded, and the bytes plain form cannot carry are
// written as DLE (0x10) followed by the byte XOR 0x40. A reader that does
// not know the form sees the same message with those few bytes changed.
#pragma once

#include <string>
#include <string_view>

namespace dist {

// True when `text` in plain form reads back unchanged at every peer
// (`folds`: the text is folded and unfolded on its way).
bool TravelsPlain(std::string_view text, bool folds);

// The quoted argument, double quotes included.
std::string QuotePlain(std::string_view text, bool folds);
std::string QuoteExact(std::string_view text);

// Undo the forms on an argument as the evaluator hands it over (quotes
// removed, backslash-quote already read as a quote).
std::string ReadPlain(std::string_view value, bool folds);
std::string ReadExact(std::string_view value);

// The integer argument that marks the form (see above); only 0 to 9 have
// an exact form.
std::string FormNumber(int value, bool exact);
bool IsExactFormNumber(std::string_view argument);

// A name that reads as one bare word travels bare, anything else quoted;
// the reader accepts both.
bool IsBareWord(std::string_view name);
std::string NameArgument(std::string_view name);

}  // namespace dist
