// Network namespaces are a Linux facility: the Windows build joins a
// cluster under Wine, started by the Linux tests.
#include "support/cluster.h"

namespace testing_support {

HostProcess::HostProcess(int pid, int) : pid_(pid) {}
HostProcess::~HostProcess() = default;
bool HostProcess::WaitForOutput(const std::string&, int, int) { return false; }
int HostProcess::WaitForExit(int) { return -1; }
std::string HostProcess::Output() const { return ""; }
long HostProcess::PeakMemoryKb() const { return -1; }
void HostProcess::Interrupt() {}
void HostProcess::Terminate() {}
void HostProcess::Kill() {}
void HostProcess::Freeze() {}

std::string Cluster::Unavailable() { return "the cluster tests need Linux network namespaces"; }
Cluster::Cluster(const std::vector<std::string>& hostNames) : hostNames_(hostNames), error_(Unavailable()) {}
Cluster::~Cluster() = default;
std::string Cluster::Address(size_t) const { return ""; }
void Cluster::WriteSettings(size_t, const std::string&) const {}
void Cluster::SetNameService(const std::string&, const std::string&) const {}
void Cluster::WriteFile(const std::string&, const std::string&) const {}
std::string Cluster::ReadFile(const std::string&) const { return ""; }
bool Cluster::MakePipes(const std::vector<std::string>&) { return false; }
bool Cluster::HoldPipes(const std::vector<std::string>&) { return false; }
bool Cluster::WriteToPipe(const std::string&, const std::string&) { return false; }
std::string Cluster::StartDisplay(size_t) { return Unavailable(); }
std::string Cluster::StartWine(size_t, const std::filesystem::path&) { return Unavailable(); }
std::vector<std::string> Cluster::WineCommand(size_t, const std::vector<std::string>&) const { return {}; }
HostProcess& Cluster::StartWindows(size_t host, const std::filesystem::path&, const std::vector<std::string>& arguments) {
  return Start(host, arguments);
}
HostProcess& Cluster::Start(size_t, const std::vector<std::string>&) {
  processes_.push_back(std::make_unique<HostProcess>(0, -1));
  return *processes_.back();
}

}  // namespace testing_support
