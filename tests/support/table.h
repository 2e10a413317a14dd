// Helpers for table-driven tests whose rows carry a `name`.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tessary::testing {

/// Names each instantiated test after its row, as in Lines/ReadTokenTest.SplitsTheLine/Empty.
struct RowName {
  template <typename Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
    return info.param.name;
  }
};

}  // namespace tessary::testing
