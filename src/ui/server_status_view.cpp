#include "ui/server_status_view.h"

namespace ui {

void ServerStatusView::ConnectionAdded(int connection, const std::string& peerAddress) {
  model_.AddRow({"", peerAddress, "", "", connection});
  Show(Change::kRows);
}

void ServerStatusView::ConnectionText(int connection, const std::string& clientName, const std::string& clientNumber,
                                      const std::string& text) {
  // Name and number stay as they are until the client has introduced itself.
  model_.UpdateRow(connection, clientName.empty() ? nullptr : &clientName, nullptr,
                   clientNumber.empty() ? nullptr : &clientNumber, &text);
  Show(Change::kRows);
}

void ServerStatusView::TargetCount(int count) {
  model_.StartProgress(count);
  Show(Change::kProgress);
}

void ServerStatusView::TargetFinished() {
  model_.StepProgress();
  Show(Change::kProgress);
}

void ServerStatusView::StatusText(const std::string& text) {
  model_.SetStatusText(text);
  Show(Change::kStatus);
}

}  // namespace ui
