#include <cstdlib>
#include <string>

#include "diag/message_catalogue.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/file_status.h"
#include "platform/system_info.h"
#include "platform/window_system.h"
#include "ui/qt_entry.h"
#include "ui/window_toolkit.h"

namespace ui {
namespace {

// The part lies beside the executable in a build tree, and in lib/bramle/
// beside bin/ where it is installed; BRAMLE_QT_MODULE names another place
// (a build tree's tests run from a folder of their own).
std::string ModuleLocation() {
  if (auto path = platform::GetEnvironmentVariableText("BRAMLE_QT_MODULE"); path && !path->empty()) return *path;
  std::string directory = platform::ModulePath();
  directory.erase(directory.find_last_of('/') + 1);
  const std::string beside = directory + "bramle_qt.so";
  if (platform::PathStatus(beside).exists) return beside;
  return directory + "../" + kInstalledModuleFolder + "/bramle_qt.so";
}

void ReportNoDisplay() {
  platform::WriteStderr(diag::LoadMessage(diag::msg::kNoDisplayForDialogs));
  std::_Exit(1);
}

WindowToolkit* LoadQtToolkit() {
  std::string error;
  void* entry = platform::LoadModuleFunction(ModuleLocation(), kBramleQtToolkitName, error);
  if (entry == nullptr) return nullptr;
  return reinterpret_cast<BramleQtToolkitFunction>(entry)(kBramleQtInterfaceVersion, ReportNoDisplay);
}

}  // namespace

WindowToolkit* OpenWindowToolkit() {
  if (!platform::HasDisplay()) return nullptr;
  static WindowToolkit* const toolkit = LoadQtToolkit();
  return toolkit;
}

}  // namespace ui
