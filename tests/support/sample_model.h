// The sample model most tests scale: "in.mdl" in a folder of its own, with "out.mdl" beside
// it for the output, as a GoogleTest fixture.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/files.h"
#include "tests/support/worked_example.h"

namespace tessary::testing {

/// The sample model, and what it becomes scaled by 2 on every axis.
inline constexpr const char* kModel = kSmallModel;
inline constexpr const char* kScaled = kSmallModelDoubled;

/// The folder, the model in it and where its output goes; `Parent` is the GoogleTest fixture
/// to derive from (::testing::Test, or ::testing::TestWithParam<Row> for a table).
template <typename Parent = ::testing::Test>
class SampleModelTest : public Parent {
 protected:
  SampleModelTest() { WriteFile(input_, kModel); }

  TempDir dir_;
  std::string input_ = dir_.File("in.mdl");
  std::string output_ = dir_.File("out.mdl");
};

}  // namespace tessary::testing
