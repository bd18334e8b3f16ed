#include "engine/build_trace.h"

#include "diag/message_catalogue.h"
#include "diag/report.h"
#include "engine/inline_file_writer.h"
#include "engine/json_text.h"
#include "engine/target_node.h"
#include "platform/directory.h"
#include "platform/processor_clock.h"

namespace engine {
namespace {

// One event of the trace: `fields` are its members after "tid", `args` the
// members of its args object.
std::string Event(const char* phase, int lane, const std::string& fields, const std::string& args) {
  return ",\n{\"ph\":\"" + std::string(phase) + "\",\"pid\":1,\"tid\":" + std::to_string(lane) + fields +
         ",\"args\":{" + args + "}}";
}

}  // namespace

BuildTrace::BuildTrace(const std::string& path) : path_(platform::FullPath(path)), start_(Now()), lanes_{"bramle"} {}

std::unique_ptr<BuildTrace> BuildTrace::ForFile(const std::string& path) {
  return path.empty() ? nullptr : std::make_unique<BuildTrace>(path);
}

std::uint64_t BuildTrace::Now() { return platform::PerformanceCounter(); }

std::uint64_t BuildTrace::Micros(std::uint64_t moment) const {
  // Whole seconds apart, so that a counter at the processor's clock rate
  // does not overflow in a long run.
  const std::uint64_t frequency = platform::PerformanceFrequency();
  if (frequency == 0) return 0;
  const std::uint64_t ticks = moment - start_;
  return ticks / frequency * 1'000'000u + ticks % frequency * 1'000'000u / frequency;
}

int BuildTrace::Lane(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < lanes_.size(); ++i) {
    if (lanes_[i] == name) return static_cast<int>(i);
  }
  lanes_.push_back(name);
  return static_cast<int>(lanes_.size() - 1);
}

void BuildTrace::CommandEnded(int lane, const TargetNode& target, std::size_t line, std::uint64_t start,
                              int exitCode) {
  const std::uint64_t end = Now();
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.push_back({&target, static_cast<std::uint32_t>(line), lane, exitCode, start, end});
}

int BuildTrace::Finish(int exitCode, bool stopped) const {
  const std::uint64_t end = Now();
  const char* outcome = stopped ? "stopped" : exitCode == 0 ? "built" : "failed";
  std::string json =
      "{\"traceEvents\":[\n{\"ph\":\"M\",\"pid\":1,\"name\":\"process_name\",\"args\":{\"name\":\"bramle\"}}";
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < lanes_.size(); ++i) {
    json += Event("M", static_cast<int>(i), ",\"name\":\"thread_name\"", "\"name\":" + JsonString(lanes_[i]));
  }
  json += Event("X", 0, ",\"name\":\"run\",\"ts\":0,\"dur\":" + std::to_string(Micros(end)),
                "\"outcome\":\"" + std::string(outcome) + "\",\"exit code\":" + std::to_string(exitCode));
  for (const Command& command : commands_) {
    const std::string& target = command.target->name;
    const std::string& text = command.target->commands->Line(command.line).text;
    json += Event("X", command.lane,
                  ",\"name\":" + JsonString(target) + ",\"ts\":" + std::to_string(Micros(command.start)) +
                      ",\"dur\":" + std::to_string(Micros(command.end) - Micros(command.start)),
                  "\"target\":" + JsonString(target) + ",\"command\":" + JsonString(text) +
                      ",\"exit code\":" + std::to_string(command.exitCode));
  }
  json += "\n]}\n";
  if (WriteInlineText(path_, json)) return exitCode;
  diag::FatalError(diag::FormatCatalogMessage(diag::msg::kTraceNotWritten, path_));
  return exitCode == 0 ? 1 : exitCode;
}

}  // namespace engine
