// The name of each case of a parameterised test: the case's own name field, so that a case that
// fails is named as the table names it.
#pragma once
#include <gtest/gtest.h>

#include <string>

namespace testsupport {

struct TCaseName {
  template <typename T>
  std::string operator()(const ::testing::TestParamInfo<T>& info) const {
    return std::string(info.param.name);
  }
};

}  // namespace testsupport
