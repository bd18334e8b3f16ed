// Output kept whole until it is written out (a target's, so that targets
// never interleave): in memory up to a bound, past it in a temporary file,
// so that a target printing a great deal costs no more memory than that.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace engine {

class OutputSpool {
 public:
  // Bytes held in memory; more go to the file.
  static constexpr size_t kMemoryBound = 1 << 20;
  // The longest piece PassOn hands on.
  static constexpr size_t kPieceBytes = 256 << 10;

  using Writer = std::function<void(std::string_view piece)>;

  OutputSpool() = default;
  // Removes the file.
  ~OutputSpool();
  OutputSpool(const OutputSpool&) = delete;
  OutputSpool& operator=(const OutputSpool&) = delete;

  void Append(std::string_view bytes);
  // Appends what `fill` appends to the string it is given (in memory, the
  // spool's own: the bytes are made where they stay).
  template <typename Fill>
  void AppendWith(Fill fill) {
    if (file_) {
      scratch_.clear();
      fill(scratch_);
      Append(scratch_);
      return;
    }
    fill(memory_);
    size_ = memory_.size();
    if (size_ > kMemoryBound) MoveToFile();
  }

  size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }

  // Hands the next `count` bytes (from the first, the first time) to
  // `write`, in pieces of at most kPieceBytes. A piece ends after a line
  // feed where it holds one, else at the end of a character, so that a
  // console writing it converts it whole.
  void PassOn(size_t count, const Writer& write);

  // Empty again; the file is removed. Bytes are appended only before the
  // first PassOn since the last Clear.
  void Clear();

 private:
  // The bytes in memory go to a new temporary file; where none can be
  // made or written, they stay in memory.
  void MoveToFile();
  // A write to the file failed: its bytes come back to memory.
  void BackToMemory();
  void DropFile();
  // Reads the file's next bytes until `block_` holds `count`; false when
  // it cannot.
  bool Fill(size_t count);

  std::string memory_;
  std::FILE* file_ = nullptr;
  std::string fileName_;
  bool noFile_ = false;  // a file failed: memory only from now on
  size_t size_ = 0;
  size_t passed_ = 0;    // bytes handed on
  std::string block_;    // read from the file, not yet handed on
  std::string scratch_;  // AppendWith's bytes on their way to the file
};

}  // namespace engine
