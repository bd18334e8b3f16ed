// client_child: what the client tests have the client run.
//   emit OUTHEX ERRHEX CODE  writes the bytes ("x", then hex) to standard output and
//                            standard error (text mode: LF becomes CR LF on
//                            Windows) and exits with CODE
//   cat FILE                 writes the file's bytes to standard output
//   wait FILE                writes "ready", then waits for FILE to exist
//                            (up to a minute) and exits with 7
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>


namespace {

std::string FromHex(const char* hex) {
  std::string bytes;
  if (*hex == 'x') ++hex;
  for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
    bytes.push_back(static_cast<char>(std::strtol(std::string(hex + i, 2).c_str(), nullptr, 16)));
  }
  return bytes;
}

void Write(std::FILE* stream, const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "emit") == 0) {
    Write(stdout, FromHex(argv[2]));
    Write(stderr, FromHex(argv[3]));
    return std::atoi(argv[4]);
  }
  if (argc == 3 && std::strcmp(argv[1], "cat") == 0) {
    std::FILE* file = std::fopen(argv[2], "rb");
    if (!file) return 2;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) std::fwrite(buffer, 1, n, stdout);
    std::fclose(file);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "wait") == 0) {
    Write(stdout, "ready\n");
    // The test creates the file once it has done what it must while this
    // command runs; the bound only keeps a failed test from hanging.
    for (int i = 0; i < 6000 && !std::filesystem::exists(argv[2]); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 7;
  }
  return 99;
}
