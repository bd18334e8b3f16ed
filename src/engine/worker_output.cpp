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
  if (kind == Kind::Progress) {
    held_.push_back({kind, 0, std::string(text)});
    return;
  }
  // Pieces of one stream that follow each other are written as one.
  if (!held_.empty() && held_.back().kind == kind) {
    held_.back().size += text.size();
  } else {
    held_.push_back({kind, text.size(), std::string()});
  }
  spool_.Append(text);
}

void WorkerOutput::Flush() {
  if (held_.empty()) return;
  {
    std::lock_guard<std::mutex> lock(console_.Lock());
    for (const Piece& piece : held_) {
      if (piece.kind == Kind::Progress) {
        Write(piece.kind, piece.name);
      } else {
        spool_.PassOn(piece.size, [&](std::string_view text) { Write(piece.kind, text); });
      }
    }
  }
  held_.clear();
  spool_.Clear();
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
