// The registry and profile-file tables, on every store this build has.
#include <gtest/gtest.h>

#include "store_probes.h"

namespace qv::test {
namespace {

template <typename Case>
std::string CaseName(const std::vector<Case>& cases, size_t i) {
  return cases[i].name;
}

void ExpectNoFaults(const std::vector<std::string>& faults) {
  for (const std::string& f : faults) ADD_FAILURE() << f;
}

class RegistryTable : public ::testing::TestWithParam<size_t> {};

TEST_P(RegistryTable, MemoryStore) {
  MemoryRegistryProbe probe;
  ExpectNoFaults(RunRegistryCase(probe, RegistryCases()[GetParam()]));
}

class ProfileReadTable : public ::testing::TestWithParam<size_t> {};

TEST_P(ProfileReadTable, MemoryStore) {
  MemoryProfileProbe probe;
  ExpectNoFaults(RunProfileRead(probe, ProfileReadCases()[GetParam()]));
}

class ProfileWriteTable : public ::testing::TestWithParam<size_t> {};

TEST_P(ProfileWriteTable, MemoryStore) {
  MemoryProfileProbe probe;
  ExpectNoFaults(RunProfileWrite(probe, ProfileWriteCases()[GetParam()]));
}

#ifdef QUORVI_SYSTEM_STORES
TEST_P(RegistryTable, SystemStore) {
  auto probe = MakeSystemRegistryProbe();
  ExpectNoFaults(RunRegistryCase(*probe, RegistryCases()[GetParam()]));
}

TEST_P(ProfileReadTable, SystemStore) {
  auto probe = MakeSystemProfileProbe();
  ExpectNoFaults(RunProfileRead(*probe, ProfileReadCases()[GetParam()]));
}

TEST_P(ProfileWriteTable, SystemStore) {
  auto probe = MakeSystemProfileProbe();
  ExpectNoFaults(RunProfileWrite(*probe, ProfileWriteCases()[GetParam()]));
}
#endif

INSTANTIATE_TEST_SUITE_P(Cases, RegistryTable, ::testing::Range<size_t>(0, RegistryCases().size()),
                         [](const auto& info) { return CaseName(RegistryCases(), info.param); });
INSTANTIATE_TEST_SUITE_P(Cases, ProfileReadTable,
                         ::testing::Range<size_t>(0, ProfileReadCases().size()),
                         [](const auto& info) { return CaseName(ProfileReadCases(), info.param); });
INSTANTIATE_TEST_SUITE_P(Cases, ProfileWriteTable,
                         ::testing::Range<size_t>(0, ProfileWriteCases().size()),
                         [](const auto& info) { return CaseName(ProfileWriteCases(), info.param); });

}  // namespace
}  // namespace qv::test
