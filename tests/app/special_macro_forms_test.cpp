// $@ $* $** $? $< and their D B F R forms, in both bracket styles, as real
// commands see them: a target in a subdirectory, dependents in others.
#include <gtest/gtest.h>

#include <string>

#include "local_build_fixture.h"
#include "platform/directory.h"
#include "support/bramle_process.h"

namespace app::test {
namespace {

using testing_support::NativePath;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

class SpecialMacroForms : public LocalBuild {
 protected:
  // sub\t.obj is older than sub\b.c only; inc\c.h has its very time.
  void SetUp() override {
    MakeFile("sub\\t.obj", 10);
    MakeFile("inc\\c.h", 10);
    MakeFile("a.c", 20);
    MakeFile("sub\\b.c", 5);
  }
  static constexpr const char* kDependencyLine = "sub\\t.obj: inc\\c.h a.c sub\\b.c\n";

  std::string FullPath(const std::string& name) const {
    return platform::FullPath((Directory() / NativePath(name)).string());
  }
};

TEST_F(SpecialMacroForms, EveryFormListed) {
  Makefile(NativePath(std::string(kDependencyLine) +
                      "\techo $@ $(@D) $(@B) $(@F) $(@R) ${@D} ${@B} ${@F} ${@R}\n"
                      "\techo $* $(*D) $(*B) $(*F) $(*R) ${*D} ${*R}\n"
                      "\techo $** $(**D) $(**B) $(**F) $(**R) ${**F}\n"
                      "\techo $? $(?D) $(?B) $(?F) $(?R) ${?R}\n"
                      "\techo $< $(<D) $(<B) $(<F) $(<R) ${<D}\n"
                      "\techo $(@D} ${@F) $(@d) $$@ ^^$@\n"));
  const auto result = Run({"-N"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string target = Quoted(FullPath("sub\\t.obj"));
  const std::string directory = Quoted(FullPath("sub"));
  const std::string withoutExtension = Quoted(FullPath("sub") + NativePath("\\t"));
  EXPECT_EQ(result.out,
            "  echo " + target + " " + directory + " \"t\" \"t.obj\" " + withoutExtension + " " + directory +
                " \"t\" \"t.obj\" " + withoutExtension + "\n" +
                NativePath("  echo .\\sub\\t .\\sub t t .\\sub\\t .\\sub .\\sub\\t\n"
                           // a.c has no directory: an empty name in the list
                           "  echo inc\\c.h a.c sub\\b.c inc  sub c a b c.h a.c b.c inc\\c a sub\\b c.h a.c b.c\n"
                           "  echo sub\\b.c sub b b.c sub\\b sub\\b\n"
                           "  echo .\\inc\\c.h .\\inc c c.h .\\inc\\c .\\inc\n") +
                "  echo " + directory + " \"t.obj\" " + target + " " + target + " ^$@\n");
}

}  // namespace
}  // namespace app::test
