#include "engine/target_node.h"

namespace engine {

void DependentList::push_front(TargetNode* node) {
  if (head_ > 0) {
    items_[--head_] = node;
  } else {
    items_.insert(items_.begin(), node);
  }
}

void DependentList::erase(size_t index) {
  if (index == 0) {
    ++head_;
    if (head_ == items_.size()) {
      items_.clear();
      head_ = 0;
    }
    return;
  }
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(head_ + index));
}

}  // namespace engine
