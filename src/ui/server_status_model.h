// What the server's status window shows: one row per connection, the client
// count, the progress over the targets and the status line.
#pragma once

#include <string>
#include <vector>

namespace ui {

struct ClientRow {
  std::string name;
  std::string address;
  std::string cpuSpeed;
  std::string status;
  int connection = -1;  // the server's name for the connection
};

// Texts are in the program's narrow encoding (the ANSI code page on Windows),
// as the server's own texts are.
class ServerStatusModel {
 public:
  ServerStatusModel();

  // A new connection: its row is appended with an empty status. Two clients
  // on one machine (the server's own and a resident one) have a row each.
  void AddRow(const ClientRow& row);
  // Sets the given columns (those not null) of the connection's row; false
  // when no row carries it. Once a row has its client's name, an older row
  // of the same address and name (that client's earlier connection) goes.
  bool UpdateRow(int connection, const std::string* name, const std::string* address,
                 const std::string* cpuSpeed, const std::string* status);
  // The row index of `connection`, or -1.
  int RowOf(int connection) const;

  // The progress bar: range 0..targets, position back at 0.
  void StartProgress(int targets);
  // One more target done.
  void StepProgress();

  void SetStatusText(std::string text) { statusText_ = std::move(text); }

  const std::vector<ClientRow>& rows() const { return rows_; }
  int progressRange() const { return targets_; }
  int progressPosition() const { return done_; }
  std::string ClientCountText() const;
  std::string PercentText() const;
  const std::string& statusText() const { return statusText_; }

 private:
  std::vector<ClientRow> rows_;
  int targets_ = 100;
  int done_ = 0;
  std::string statusText_;
};

}  // namespace ui
