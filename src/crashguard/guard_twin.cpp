// Builds without the x86-32 machinery (x86-64 Windows, Linux desktops): the
// guard keeps its configuration and receives run-time errors, which end the
// process with -1; start-up links no frame and patches nothing.
#include <string>

#include "crashguard/guard_api.h"
#include "crashguard/run_time_error.h"

namespace qv {
namespace {

struct TwinConfig {
  int32_t showMessageBox = 0;
  ReportCallback reportCallback = nullptr;
  int32_t endThreadOnly = 0;
  std::string ownerWindowClass;
  int32_t passCompilerThrows = 0;
  int32_t skipSystemFrames = 0;
  int32_t includeCallStack = 0;
  int32_t prologueScanLimit = 0;
};

TwinConfig* g_config = nullptr;

bool OnRunTimeError(int32_t, const char*) {
  if (g_config != nullptr && g_config->reportCallback != nullptr) g_config->reportCallback();
  return true;
}

}  // namespace

void GuardCreateGlobals() {
  delete g_config;
  g_config = new TwinConfig();
}

void GuardReleaseGlobals() {
  delete g_config;
  g_config = nullptr;
}

void GuardStartup() {
  if (g_config == nullptr) GuardCreateGlobals();
  g_config->ownerWindowClass = "Afx:10000000:b:10011:1900015:0";
  g_config->prologueScanLimit = 4096;
}

void ConfigureGuard(std::optional<ReportCallback> reportCallback,
                    std::optional<int32_t> showMessageBox, std::optional<int32_t> endThreadOnly,
                    std::optional<int32_t> installErrorHandler, std::string* ownerWindowClass,
                    std::optional<int32_t> passCompilerThrows,
                    std::optional<int32_t> includeCallStack,
                    std::optional<int32_t> skipSystemFrames,
                    std::optional<int32_t> prologueScanLimit) {
  if (g_config == nullptr) GuardCreateGlobals();
  std::string cls = ownerWindowClass != nullptr ? *ownerWindowClass : std::string();
  if (cls.empty()) {
    cls = g_config->ownerWindowClass;
    if (ownerWindowClass != nullptr) *ownerWindowClass = cls;
  }
  int32_t limit = prologueScanLimit.value_or(0);
  if (limit <= 0) limit = g_config->prologueScanLimit;
  g_config->reportCallback = reportCallback.value_or(nullptr);
  g_config->showMessageBox = showMessageBox.value_or(1);
  g_config->endThreadOnly = endThreadOnly.value_or(0);
  g_config->passCompilerThrows = passCompilerThrows.value_or(1);
  g_config->skipSystemFrames = skipSystemFrames.value_or(1);
  g_config->includeCallStack = includeCallStack.value_or(1);
  g_config->ownerWindowClass = cls;
  g_config->prologueScanLimit = limit;
  if (installErrorHandler.value_or(1) != 0) InstallRunTimeErrorHandler();
}

void InstallRunTimeErrorHandler() { SetRunTimeErrorHandler(&OnRunTimeError); }

void ReleaseInstructionTables() {}

}  // namespace qv
