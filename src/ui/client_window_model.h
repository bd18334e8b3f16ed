// What the client's status window shows: the server it is connected to and
// a running account of what happens.
#pragma once

#include <ctime>
#include <string>

namespace ui {

class ClientWindowModel {
 public:
  void SetServer(std::string address, std::string name) {
    address_ = std::move(address);
    name_ = std::move(name);
  }
  void ClearServer() { SetServer("", ""); }
  // Appends and returns the line for `text`: "%H:%M:%S " + text + CR LF.
  const std::string& AppendActivity(const std::tm& now, const std::string& text);
  void ClearActivity() { activity_.clear(); }

  const std::string& address() const { return address_; }
  const std::string& name() const { return name_; }
  const std::string& activity() const { return activity_; }
  const std::string& lastLine() const { return lastLine_; }

 private:
  std::string address_;
  std::string name_;
  std::string activity_;
  std::string lastLine_;
};

}  // namespace ui
