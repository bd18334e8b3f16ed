#include "engine/target_node.h"

#include <algorithm>

namespace engine {

void DependentList::Reserve(size_t count) {
  const size_t needed = end_ + count;
  if (needed <= capacity_) return;
  const size_t room = capacity_ == 0 ? needed : std::max<size_t>(needed, size_t{capacity_} * 2);
  std::unique_ptr<TargetNode*[]> items(new TargetNode*[room]);
  std::copy(begin(), end(), items.get());
  end_ -= head_;
  head_ = 0;
  capacity_ = static_cast<std::uint32_t>(room);
  items_ = std::move(items);
}

void DependentList::push_back(TargetNode* node) {
  if (end_ == capacity_) Reserve(std::max<size_t>(1, capacity_));
  items_[end_++] = node;
}

void DependentList::push_front(TargetNode* node) {
  if (head_ == 0) {
    if (end_ == capacity_) Reserve(std::max<size_t>(1, capacity_));
    std::copy_backward(begin(), end(), items_.get() + end_ + 1);
    ++end_;
    ++head_;
  }
  items_[--head_] = node;
}

}  // namespace engine
