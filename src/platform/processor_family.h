// Which kind of command processor the platform has: cmd.exe (or
// COMMAND.COM) on Windows, a POSIX shell elsewhere. Code outside the
// platform layer picks its processor dialect by this constant, so both
// dialects stay testable on either build.
#pragma once

namespace platform {

enum class ProcessorFamily { Cmd, PosixShell };

#ifdef _WIN32
inline constexpr ProcessorFamily kProcessorFamily = ProcessorFamily::Cmd;
#else
inline constexpr ProcessorFamily kProcessorFamily = ProcessorFamily::PosixShell;
#endif

}  // namespace platform
