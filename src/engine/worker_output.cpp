#include "engine/worker_output.h"

#include "diag/message_catalogue.h"
#include "platform/console.h"

namespace engine {

void SharedConsole::WriteStdout(std::string_view text) {
  if (!platform::WriteStdout(text)) closed_ = true;
}

void SharedConsole::ActOnClose() {
  if (closed_ && onClosed_ && !acted_.exchange(true)) onClosed_();
}

void WorkerOutput::Add(Kind kind, std::string_view text) {
  if (!hold_) {
    {
      std::lock_guard<std::mutex> lock(console_.Lock());
      Write(kind, text);
    }
    console_.ActOnClose();
    return;
  }
  // Pieces of one stream that follow each other are written as one.
  if (kind != Kind::Progress && !held_.empty() && held_.back().kind == kind) {
    held_.back().text.append(text);
  } else {
    held_.push_back({kind, std::string(text)});
  }
}

void WorkerOutput::Flush() {
  if (held_.empty()) return;
  {
    std::lock_guard<std::mutex> lock(console_.Lock());
    for (const Piece& piece : held_) Write(piece.kind, piece.text);
  }
  held_.clear();
  console_.ActOnClose();
}

void WorkerOutput::Write(Kind kind, std::string_view text) {
  switch (kind) {
    case Kind::Stdout:
      console_.WriteStdout(text);
      break;
    case Kind::Stderr: platform::WriteStderr(text); break;
    case Kind::Progress:
      platform::WriteStderr(std::string(text) + "\n");
      console_.WriteStdout(diag::FormatPrintf("Count: %d\n", console_.NextProgressCount()));
      break;
  }
}

}  // namespace engine
