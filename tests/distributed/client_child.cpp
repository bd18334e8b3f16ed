// client_child: what the client tests have the client run.
//   emit OUTHEX ERRHEX CODE  writes the bytes ("x", then hex) to standard output and
//                            standard error (text mode: LF becomes CR LF on
//                            Windows) and exits with CODE; more arguments
//                            are ignored
//   cat FILE                 writes the file's bytes to standard output
//   wait PORT                connects to the test at 127.0.0.1:PORT, writes
//                            "ready" and exits with 7 when the test closes
//                            that connection
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/network_startup.h"
#include "platform/socket_calls.h"

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
  if (argc >= 5 && std::strcmp(argv[1], "emit") == 0) {
    Write(stdout, FromHex(argv[2]));
    Write(stderr, FromHex(argv[3]));
    return std::atoi(argv[4]);
  }
  if (argc == 3 && std::strcmp(argv[1], "cat") == 0) {
    std::ifstream file(argv[2], std::ios::binary);
    Write(stdout, std::string(std::istreambuf_iterator<char>(file), {}));
    return file ? 0 : 2;
  }
  if (argc == 3 && std::strcmp(argv[1], "wait") == 0 && platform::StartNetworking()) {
    namespace calls = platform::socket_calls;
    const platform::SocketHandle test = calls::Create(platform::SocketKind::Stream);
    platform::Ipv4Address loopback = 0;
    calls::ParseDotted("127.0.0.1", loopback);
    if (test == platform::kNoSocket || !calls::Connect(test, loopback, std::atoi(argv[2]))) return 3;
    Write(stdout, "ready\n");
    // The test sends nothing: this ends when it closes (or ends).
    char byte = 0;
    while (calls::Receive(test, &byte, 1) > 0) {
    }
    calls::Destroy(test);
    return 7;
  }
  return 99;
}
