#include "makefile/load_makefile.h"

#include "diag/report.h"
#include "engine/target_model.h"
#include "makefile/makefile_reader.h"
#include "makefile/rule_lines.h"

namespace makefile {

bool LoadMakefile(engine::TargetModel& targets, engine::RuleTable& rules, MacroTable& macros,
                  const std::string& makefileName, bool nmakeReading) {
  MakefileReader reader(&targets, &rules, &macros);
  reader.ReadAsNmake(nmakeReading);
  AddDefaultSuffixes(rules);
  if (!reader.ReadMakefile(makefileName)) {
    diag::ReportSyntaxError(reader.error());
    return false;
  }
  targets.ApplyInferenceRules(rules);
  return true;
}

}  // namespace makefile
