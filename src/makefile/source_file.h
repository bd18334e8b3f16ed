// One open makefile, read line by line in large blocks.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace makefile {

class SourceFile {
 public:
  // Null when the file cannot be opened or read (a directory, say).
  static std::unique_ptr<SourceFile> Open(const std::string& name);
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  // The next line without its line end (LF, or CR LF); false at the end of
  // the file. Lines have no length limit and may hold any byte.
  bool ReadLine(std::string& line);

  // True when the file is UTF-16 text, which the reader does not read: a
  // byte-order mark, or a zero byte in the first character (text without
  // a mark).
  bool IsUtf16() const;

  const std::string& fullPath() const { return fullPath_; }
  // The name without its directory, as messages show it.
  const std::string& fileName() const { return fileName_; }
  // Physical lines read so far.
  int lineNumber() const { return lineNumber_; }

 private:
  SourceFile(std::FILE* file, std::string fullPath);
  bool Fill();

  std::FILE* file_;
  std::string fullPath_;
  std::string fileName_;
  int lineNumber_ = 0;
  std::string block_;
  size_t blockPosition_ = 0;
  bool atEnd_ = false;
};

}  // namespace makefile
