// The client's calls as its status window ("状況") takes them: each changes
// the window's model, then the toolkit shows the change. Runs on the
// window's thread; a ClientViewRelay brings calls from the client's thread.
#pragma once

#include <string>

#include "distributed/client_view.h"
#include "ui/client_window_model.h"
#include "ui/window_carrier.h"

namespace ui {

class ClientStatusView : public distributed::ClientView {
 public:
  void BuildPhaseRequested(const std::string& serverName, const std::string& serverAddress) override;
  void ShowText(const std::string& text) override;
  bool AskAccept(const std::string& serverName, const std::string& serverAddress) override;
  void ConnectionCut() override;
  // "クリア".
  void ClearActivity();

  const ClientWindowModel& model() const { return model_; }

  // The question put to the user when a server asks for a build phase.
  static std::string InquiryText(const std::string& serverName, const std::string& serverAddress);

 protected:
  enum class Change { kServer, kLineAdded, kActivityCleared };
  virtual void Show(Change change) = 0;
  // A yes/no box, caption "Bramle-接続問い合わせ", brought to the front.
  virtual bool AskYesNo(const std::string& text) = 0;

 private:
  ClientWindowModel model_;
};

// The client's calls carried to the window's thread; without a window the
// question counts as yes.
class ClientViewRelay : public distributed::ClientView {
 public:
  ClientViewRelay(distributed::ClientView& window, WindowCarrier& carrier) : window_(window), carrier_(carrier) {}

  void BuildPhaseRequested(const std::string& serverName, const std::string& serverAddress) override {
    carrier_.Carry([&] { window_.BuildPhaseRequested(serverName, serverAddress); });
  }
  void ShowText(const std::string& text) override {
    carrier_.Carry([&] { window_.ShowText(text); });
  }
  bool AskAccept(const std::string& serverName, const std::string& serverAddress) override {
    bool accepted = true;
    carrier_.Carry([&] { accepted = window_.AskAccept(serverName, serverAddress); });
    return accepted;
  }
  void ConnectionCut() override {
    carrier_.Carry([&] { window_.ConnectionCut(); });
  }

 private:
  distributed::ClientView& window_;
  WindowCarrier& carrier_;
};

inline constexpr const char kInquiryCaption[] = "Bramle-接続問い合わせ";

}  // namespace ui
