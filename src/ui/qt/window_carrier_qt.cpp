#include "ui/qt/window_carrier_qt.h"

#include <QCoreApplication>
#include <QThread>
#include <future>

namespace ui::qt {

bool QtWindowCarrier::Carry(const std::function<void()>& call) {
  if (QThread::currentThread() == window_.thread()) {
    if (closed_) return false;
    call();
    return true;
  }
  std::promise<void> done;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    QMetaObject::invokeMethod(&window_, [&] {
      call();
      done.set_value();
    }, Qt::QueuedConnection);
  }
  done.get_future().wait();
  return true;
}

void QtWindowCarrier::Post(std::function<void()> call) {
  // On the window's own thread (a view called while the window starts) the
  // call runs at once, as a carried one does.
  if (QThread::currentThread() == window_.thread()) {
    Carry(call);
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (!closed_) QMetaObject::invokeMethod(&window_, std::move(call), Qt::QueuedConnection);
}

void QtWindowCarrier::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  QCoreApplication::sendPostedEvents(&window_, QEvent::MetaCall);
}

}  // namespace ui::qt
