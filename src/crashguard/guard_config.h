// The guard's configuration record and the rules by which ConfigureGuard
// fills it; shared by the real guard and its twin.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "crashguard/guard_api.h"
#include "crashguard/owned_text.h"

namespace qv {

inline constexpr const char kDefaultOwnerWindowClass[] = "Afx:10000000:b:10011:1900015:0";
inline constexpr int32_t kDefaultPrologueScanLimit = 4096;
inline constexpr int32_t kDefaultCatchScanLimit = 20480;

// Eight 32-bit fields on the guard's target, created zeroed.
struct GuardConfig {
  int32_t showMessageBox = 0;
  ReportCallback reportCallback = nullptr;
  int32_t endThreadOnly = 0;
  OwnedText ownerWindowClass;
  int32_t passCompilerThrows = 0;
  int32_t skipSystemFrames = 0;
  int32_t includeCallStack = 0;
  int32_t prologueScanLimit = 0;
};
#if defined(__i386__)
static_assert(sizeof(GuardConfig) == 32);
#endif

struct ConfigureArguments {
  std::optional<ReportCallback> reportCallback;
  std::optional<int32_t> showMessageBox;
  std::optional<int32_t> endThreadOnly;
  std::optional<int32_t> installErrorHandler;
  std::string* ownerWindowClass = nullptr;  // in-out; may be null
  std::optional<int32_t> passCompilerThrows;
  std::optional<int32_t> includeCallStack;
  std::optional<int32_t> skipSystemFrames;
  std::optional<int32_t> prologueScanLimit;
};

// Fills `config` from the arguments (not-given flags become 1, an empty
// class name and a non-positive scan limit keep the current values, and
// the caller's empty class name receives the current one). Returns whether
// the run-time error handler is to be installed.
bool ApplyConfiguration(GuardConfig& config, const ConfigureArguments& args);

}  // namespace qv
