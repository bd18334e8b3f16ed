// The standard streams. Every message and every line of command output goes
// through here so that each platform can write it the way its console wants.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// False when the stream is closed for good: its reader has gone (a broken
// pipe). Other failures are ignored.
bool WriteStdout(std::string_view text);
bool WriteStderr(std::string_view text);

// Saves, sets and restores the console title (no-ops where there is none).
std::string ConsoleTitle();
void SetConsoleTitleText(std::string_view title);

// Hides the console window the program runs in, or shows it again. Nothing
// happens where the console is not a window of its own (Linux terminals).
void ShowConsoleWindow(bool show);

}  // namespace platform
