#include "ui/server_status_model.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"

namespace ui {

void ServerStatusModel::AddRow(const ClientRow& row) {
  rows_.push_back(row);
  rows_.back().status.clear();
}

int ServerStatusModel::RowOf(int connection) const {
  const auto found = std::find_if(rows_.begin(), rows_.end(), [&](const ClientRow& row) { return row.connection == connection; });
  return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

bool ServerStatusModel::UpdateRow(int connection, const std::string* name, const std::string* address,
                                  const std::string* cpuSpeed, const std::string* status) {
  const int index = RowOf(connection);
  if (index < 0) return false;
  ClientRow& row = rows_[index];
  if (name) row.name = *name;
  if (address) row.address = *address;
  if (cpuSpeed) row.cpuSpeed = *cpuSpeed;
  if (status) row.status = *status;
  if (name || address) {
    const ClientRow current = row;  // the erase moves rows
    std::erase_if(rows_, [&](const ClientRow& old) {
      return old.connection != connection && old.address == current.address && old.name == current.name;
    });
  }
  return true;
}

ServerStatusModel::ServerStatusModel()
    : statusText_(platform::NarrowFromUtf8("クライアントからの接続を待っています...")) {}

void ServerStatusModel::StartProgress(int targets) {
  targets_ = targets;
  done_ = 0;
}

void ServerStatusModel::StepProgress() { ++done_; }

std::string ServerStatusModel::ClientCountText() const {
  char text[64];
  std::snprintf(text, sizeof text, "現在のクライアント数：%d台", static_cast<int>(rows_.size()));
  return platform::NarrowFromUtf8(text);
}

std::string ServerStatusModel::PercentText() const {
  // Computed in 64 bits so that a large target count cannot overflow.
  const long long percent = targets_ == 0 ? 0 : static_cast<long long>(done_) * 100 / targets_;
  char text[32];
  std::snprintf(text, sizeof text, "%lld%%", percent);
  return text;
}

}  // namespace ui
