#include <string>
#include <vector>

#include "app/application.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return app::RunApplication(arguments);
}
