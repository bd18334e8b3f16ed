// Turns Ctrl+C, Ctrl+Break and the end of the console or session into a
// cancel of the running command.
#pragma once

#include <functional>
#include <string>

namespace app {

// Installs the handler; it prints the cancel messages and calls whatever
// SetCancelAction last registered.
void InstallCancelHandler();

// The action that cancels the running command (the current runner's Kill);
// an empty function when none runs. Setting it waits for a cancel that is
// under way to finish.
void SetCancelAction(std::function<void()> action);

// -X in the server and dialog modes: the console window out of the way, under
// a title that names the mode, while the object lives.
class HiddenConsole {
 public:
  HiddenConsole(bool hide, const char* title);
  ~HiddenConsole();
  HiddenConsole(const HiddenConsole&) = delete;
  HiddenConsole& operator=(const HiddenConsole&) = delete;

 private:
  bool hide_;
  std::string savedTitle_;
};

}  // namespace app
