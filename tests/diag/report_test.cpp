#include "diag/report.h"

#include <gtest/gtest.h>

namespace {

TEST(ReaderErrorMessageNumber, EvaluatorErrorsSitAbove20064) {
  diag::ReaderError error;
  error.code = 1;
  error.subCode = 44;
  EXPECT_EQ(diag::ReaderErrorMessageNumber(error), 20108u);
  error.code = 5;
  EXPECT_EQ(diag::ReaderErrorMessageNumber(error), 20005u);
  error.code = 27;
  EXPECT_EQ(diag::ReaderErrorMessageNumber(error), 20027u);
}

}  // namespace
