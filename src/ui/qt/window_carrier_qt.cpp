#include "ui/qt/window_carrier_qt.h"

#include <QCoreApplication>
#include <QThread>

namespace ui::qt {

void QtWindowCarrier::Post(std::function<void()> call) {
  // On the window's own thread (a view called while the window starts) the
  // call runs at once; only that thread closes the carrier.
  if (QThread::currentThread() == window_.thread()) {
    if (!closed_) call();
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return;
  QMetaObject::invokeMethod(&window_, std::move(call), Qt::QueuedConnection);
}

void QtWindowCarrier::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  QCoreApplication::sendPostedEvents(&window_, QEvent::MetaCall);
}

}  // namespace ui::qt
