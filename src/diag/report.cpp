#include "diag/report.h"

#include "diag/message_catalogue.h"
#include "platform/console.h"

namespace diag {

std::string FatalErrorText(const std::string& text) { return FormatCatalogMessage(msg::kFatalErrorFrame, text); }

void FatalError(const std::string& text) { platform::WriteStderr(FatalErrorText(text)); }

std::string WarningText(const std::string& text) { return FormatCatalogMessage(msg::kWarningFrame, text); }

void Warning(const std::string& text) { platform::WriteStderr(WarningText(text)); }

unsigned ReaderErrorMessageNumber(const ReaderError& error) {
  return error.code == 1 ? 20064 + error.subCode : 20000 + error.code;
}

void ReportSyntaxError(const ReaderError& error) {
  unsigned number = ReaderErrorMessageNumber(error);
  // Without an argument the text is shown as it stands, placeholders and all.
  std::string message = error.argument.empty() ? LoadMessage(number) : FormatCatalogMessage(number, error.argument);
  platform::WriteStderr(FormatCatalogMessage(msg::kMakefileErrorFrame, message));
  platform::WriteStderr(
      FormatCatalogMessage(msg::kMakefileErrorPlace, error.fileName, error.lineNumber, error.lineText));
  platform::WriteStderr(LoadMessage(msg::kMakeStopped));
}

}  // namespace diag
