#include "ui/client_status_view.h"

#include "platform/local_time.h"
#include "platform/text.h"

namespace ui {

void ClientStatusView::BuildPhaseRequested(const std::string& serverName, const std::string& serverAddress) {
  model_.SetServer(serverAddress, serverName);
  Show(Change::kServer);
}

void ClientStatusView::ShowText(const std::string& text) {
  model_.AppendActivity(platform::LocalTimeNow(), text);
  Show(Change::kLineAdded);
}

bool ClientStatusView::AskAccept(const std::string& serverName, const std::string& serverAddress) {
  return AskYesNo(InquiryText(serverName, serverAddress));
}

void ClientStatusView::ConnectionCut() {
  model_.ClearServer();
  Show(Change::kServer);
}

void ClientStatusView::ClearActivity() {
  model_.ClearActivity();
  Show(Change::kActivityCleared);
}

// The names are data: they are not run through a format.
std::string ClientStatusView::InquiryText(const std::string& serverName, const std::string& serverAddress) {
  return serverName + "[" + serverAddress + "]" +
         platform::NarrowFromUtf8("から接続要求を受信しました。\r\nこのサーバと接続し、ビルドを開始しますか？");
}

}  // namespace ui
