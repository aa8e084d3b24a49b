#pragma once

// Storage tests parameterised by back end: INSTANTIATE_TEST_SUITE_P(Backends, Fixture,
// test::kBackends, test::backendName), and KOREQ_NEED_BACKEND(GetParam()) in SetUp.

#include <gtest/gtest.h>

#include "support/backends.h"

namespace koreq::test {

inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

inline const auto kBackends = ::testing::Values(Backend::Sqlite, Backend::Postgres);

// Skips the running test when it is asked of a server and none is configured.
#define KOREQ_NEED_BACKEND(backend)                                                             \
  do {                                                                                          \
    if ((backend) == ::koreq::test::Backend::Postgres && ::koreq::test::pgTestServer().empty()) \
      GTEST_SKIP() << "no PostgreSQL server for tests: set KOREQ_PG_TEST to a connection "      \
                      "string (scripts/test.sh starts one)";                                    \
  } while (0)

}  // namespace koreq::test
