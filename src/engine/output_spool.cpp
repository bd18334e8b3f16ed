#include "engine/output_spool.h"

#include <algorithm>

#include "exec/batch_file.h"
#include "platform/code_page.h"
#include "platform/scratch_files.h"

namespace engine {
namespace {

constexpr std::string_view kExtension = ".tmp";

// Where a piece of `window`, which more bytes follow, ends.
size_t PieceEnd(std::string_view window) {
  const size_t lineEnd = window.rfind('\n');
  if (lineEnd != std::string_view::npos) return lineEnd + 1;
  const size_t end = window.size() - platform::IncompleteCharacterBytes(window);
  return end > 0 ? end : window.size();
}

}  // namespace

OutputSpool::~OutputSpool() { DropFile(); }

void OutputSpool::Append(std::string_view bytes) {
  if (file_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()) {
    size_ += bytes.size();
    return;
  }
  if (file_) BackToMemory();
  memory_.append(bytes);
  size_ = memory_.size();
  if (size_ > kMemoryBound) MoveToFile();
}

void OutputSpool::MoveToFile() {
  if (noFile_) return;
  const std::string base = exec::ClaimScratchFile(platform::TemporaryDirectory(), kExtension,
                                                  [](const std::string&) { return std::string(); });
  if (!base.empty()) {
    fileName_ = base + std::string(kExtension);
    file_ = platform::OpenScratchFile(fileName_);
  }
  // Unbuffered: the pieces are large, and the C library's buffer would
  // copy every byte once more.
  if (file_) std::setvbuf(file_, nullptr, _IONBF, 0);
  if (file_ && std::fwrite(memory_.data(), 1, memory_.size(), file_) == memory_.size()) {
    std::string().swap(memory_);
    return;
  }
  DropFile();
  noFile_ = true;
}

void OutputSpool::BackToMemory() {
  // What cannot be read back is lost; what can is kept in order.
  memory_.resize(size_);
  std::rewind(file_);
  memory_.resize(std::fread(memory_.data(), 1, size_, file_));
  DropFile();
  noFile_ = true;
}

void OutputSpool::DropFile() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!fileName_.empty()) platform::RemoveFile(fileName_);
  fileName_.clear();
}

bool OutputSpool::Fill(size_t count) {
  // The first read starts at the beginning.
  if (passed_ == 0 && block_.empty()) std::rewind(file_);
  const size_t had = block_.size();
  if (had >= count) return true;
  block_.resize(count);
  block_.resize(had + std::fread(block_.data() + had, 1, count - had, file_));
  return block_.size() == count;
}

void OutputSpool::PassOn(size_t count, const Writer& write) {
  count = std::min(count, size_ - passed_);
  while (count > 0) {
    const size_t wanted = std::min(count, kPieceBytes);
    // A file that cannot be read to the end gives what it can, once.
    const bool whole = !file_ || Fill(wanted);
    const std::string_view window =
        file_ ? std::string_view(block_) : std::string_view(memory_).substr(passed_, wanted);
    const size_t piece = window.size() == count || !whole ? window.size() : PieceEnd(window);
    write(window.substr(0, piece));
    passed_ += piece;
    count -= piece;
    if (file_) block_.erase(0, piece);
    if (!whole) return;
  }
}

void OutputSpool::Clear() {
  DropFile();
  memory_.clear();
  block_.clear();
  noFile_ = false;
  size_ = 0;
  passed_ = 0;
}

}  // namespace engine
