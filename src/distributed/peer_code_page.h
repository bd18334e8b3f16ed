// Texts between peers whose systems use different code pages (a Linux
// client's UTF-8, a Windows server's 932). The client converts, as it knows
// both pages once the server has told its own: the announcement carries it
// in a second line ("CodePage(932)\r\n") after the CR LF at which every
// client stops reading, so peers that know nothing of it see the same
// announcement as ever. Without it (an older server, a passive connect)
// texts travel as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace distributed {

// The line a server appends to its announcement.
std::string FormatCodePageLine(int codePage);
// The code page an announcement datagram's second line names; 0 when none.
int DatagramCodePage(std::string_view datagram);

// A text from the server (`serverCodePage`, 0: unknown) in the narrow
// encoding.
std::string TextFromServer(std::string_view text, int serverCodePage);
// A text in the narrow encoding for the server: `text` itself when nothing
// is converted, else the conversion, kept in `converted`.
std::string_view TextForServer(std::string_view text, int serverCodePage, std::string& converted);
// How many bytes at the end of a command's output wait for the rest of
// their character before they can be converted for the server.
std::size_t UnfinishedCharacterBytes(std::string_view output, int serverCodePage);

}  // namespace distributed
