#include "makefile/source_file.h"

#include <cstring>

#include "engine/path_parts.h"
#include "platform/directory.h"

namespace makefile {
namespace {

constexpr size_t kBlockSize = 1 << 16;

}  // namespace

std::unique_ptr<SourceFile> SourceFile::Open(const std::string& name) {
  if (name.empty()) return nullptr;
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (!file) return nullptr;
  std::unique_ptr<SourceFile> source(new SourceFile(file, platform::FullPath(name)));
  // Some systems open a directory like a file; its first read fails.
  if (!source->Fill() && std::ferror(file)) return nullptr;
  return source;
}

SourceFile::SourceFile(std::FILE* file, std::string fullPath)
    : file_(file), fullPath_(std::move(fullPath)), fileName_(engine::LastPathComponent(fullPath_)) {}

SourceFile::~SourceFile() { std::fclose(file_); }

bool SourceFile::Fill() {
  block_.resize(kBlockSize);
  const size_t count = std::fread(block_.data(), 1, kBlockSize, file_);
  block_.resize(count);
  blockPosition_ = 0;
  if (count == 0) atEnd_ = true;
  return count > 0;
}

bool SourceFile::IsUtf16() const {
  if (lineNumber_ != 0 || blockPosition_ != 0 || block_.size() < 2) return false;
  const unsigned char first = static_cast<unsigned char>(block_[0]);
  const unsigned char second = static_cast<unsigned char>(block_[1]);
  return (first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF) || first == 0 || second == 0;
}

bool SourceFile::ReadLine(std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    if (blockPosition_ == block_.size() && (atEnd_ || !Fill())) break;
    any = true;
    const char* start = block_.data() + blockPosition_;
    const size_t available = block_.size() - blockPosition_;
    const void* found = std::memchr(start, '\n', available);
    if (found) {
      const size_t length = static_cast<const char*>(found) - start;
      line.append(start, length);
      blockPosition_ += length + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ++lineNumber_;
      return true;
    }
    line.append(start, available);
    blockPosition_ = block_.size();
  }
  if (!any) return false;
  // A last line without a line end.
  if (!line.empty() && line.back() == '\r') line.pop_back();
  ++lineNumber_;
  return true;
}

}  // namespace makefile
