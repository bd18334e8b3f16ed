#include "ui/client_window_model.h"

namespace ui {

const std::string& ClientWindowModel::AppendActivity(const std::tm& now, const std::string& text) {
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S ", &now);
  lastLine_ = stamp + text + "\r\n";
  activity_ += lastLine_;
  return lastLine_;
}

}  // namespace ui
