// The client's calls as its status window ("状況") takes them: each changes
// the window's model, then the toolkit shows the change. Runs on the
// window's thread; a ClientViewRelay brings calls from the client's thread.
#pragma once

#include <future>
#include <memory>
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

// The client's calls queued for the window's thread, in order, with copies
// of their texts: the client's loop never waits on the window, except for
// the answer to its question, which is asked in turn after the texts queued
// before it. Without a window the question counts as yes.
class ClientViewRelay : public distributed::ClientView {
 public:
  ClientViewRelay(distributed::ClientView& window, WindowCarrier& carrier) : window_(window), carrier_(carrier) {}

  void BuildPhaseRequested(const std::string& serverName, const std::string& serverAddress) override {
    carrier_.Post([&window = window_, serverName, serverAddress] { window.BuildPhaseRequested(serverName, serverAddress); });
  }
  void ShowText(const std::string& text) override {
    carrier_.Post([&window = window_, text] { window.ShowText(text); });
  }
  bool AskAccept(const std::string& serverName, const std::string& serverAddress) override {
    // A window that has gone drops the call, and with it the promise.
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = answer->get_future();
    carrier_.Post([&window = window_, answer = std::move(answer), serverName, serverAddress] {
      answer->set_value(window.AskAccept(serverName, serverAddress));
    });
    try {
      return answered.get();
    } catch (const std::future_error&) {
      return true;
    }
  }
  void ConnectionCut() override {
    carrier_.Post([&window = window_] { window.ConnectionCut(); });
  }

 private:
  distributed::ClientView& window_;
  WindowCarrier& carrier_;
};

inline constexpr const char kInquiryCaption[] = "Bramle-接続問い合わせ";

}  // namespace ui
