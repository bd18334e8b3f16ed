// WindowCarrier for a Qt window: calls from other threads are queued to the
// window's thread.
#pragma once

#include <QObject>
#include <mutex>

#include "ui/window_carrier.h"

namespace ui::qt {

class QtWindowCarrier : public WindowCarrier {
 public:
  explicit QtWindowCarrier(QObject& window) : window_(window) {}
  void Post(std::function<void()> call) override;
  // From now on calls do nothing; those already on their way are carried
  // out before this returns. Call on the window thread.
  void Close();

 private:
  QObject& window_;
  std::mutex mutex_;
  bool closed_ = false;
};

}  // namespace ui::qt
