// Helpers for table-driven tests whose rows carry a `name`.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>

namespace tessary::testing {

/// Names each instantiated test after its row, as in Lines/ReadTokenTest.SplitsTheLine/Empty.
struct RowName {
  template <typename Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
    return info.param.name;
  }
};

/// Names each instantiated test after its row's `name`, an input as written (a number, say),
/// spelt with the characters test names allow: "-1.5e-11" gives minus1_5eminus11.
struct RowInputName {
  template <typename Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
    std::string name;
    for (const char c : std::string_view(info.param.name)) {
      if (c == '-') {
        name += "minus";
      } else if (c == '+') {
        name += "plus";
      } else {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      }
    }
    return name;
  }
};

}  // namespace tessary::testing
