#include "distributed/log_file.h"

#include "platform/shared_file.h"

namespace distributed {

std::string OneLineText(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  std::string line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') {
        line += ' ';
        ++i;
      }
      continue;
    }
    line += text[i] == '\n' ? ' ' : text[i];
  }
  return line;
}

std::string ClockText(const std::tm& time) {
  char text[16];
  if (std::strftime(text, sizeof text, "%H:%M:%S", &time) == 0) text[0] = '\0';
  return text;
}

LogFile::LogFile(LogClock clock) : clock_(std::move(clock)) {}

LogFile::~LogFile() { Close(); }

void LogFile::SetEnabled(bool enabled) {
  exec::ScopedLock guard(lock_, true);
  enabled_ = enabled;
  if (!enabled_) CloseLocked();
}

void LogFile::SetFileName(std::string fileName) {
  exec::ScopedLock guard(lock_, true);
  if (fileName == fileName_) return;
  CloseLocked();
  fileName_ = std::move(fileName);
}

bool LogFile::Open() {
  exec::ScopedLock guard(lock_, true);
  return !enabled_ || OpenLocked();
}

void LogFile::Close() {
  exec::ScopedLock guard(lock_, true);
  CloseLocked();
}

bool LogFile::IsOpen() {
  exec::ScopedLock guard(lock_, true);
  return file_ != nullptr;
}

bool LogFile::OpenLocked() {
  if (!file_ && !fileName_.empty()) file_ = platform::OpenSharedForAppend(fileName_);
  return file_ != nullptr;
}

void LogFile::CloseLocked() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void LogFile::Append(std::string_view body) {
  exec::ScopedLock guard(lock_, true);
  if (!enabled_ || !OpenLocked()) return;
  // The time is taken under the lock, so the lines stand in time order.
  std::string line = ClockText(clock_());
  line += " - ";
  line += body;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), file_);
  // Readers of the file see every entry as soon as it is made.
  std::fflush(file_);
}

void LogFile::AppendRaw(std::string_view bytes) {
  exec::ScopedLock guard(lock_, true);
  if (!enabled_ || !OpenLocked()) return;
  std::fwrite(bytes.data(), 1, bytes.size(), file_);
  std::fflush(file_);
}

void ClientLog::Entry(std::string_view text, std::string_view serverName, std::string_view serverAddress) {
  std::string body = "[";
  body += serverName;
  body += "][";
  body += serverAddress;
  body += "] ";
  Append(body + OneLineText(text));
}

void ClientLog::Entry(std::string_view text) { Append("[None][None] " + OneLineText(text)); }

void ServerLog::Entry(std::string_view text) { Append(OneLineText(text)); }

}  // namespace distributed
