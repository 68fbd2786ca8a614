// Builds without the x86-32 machinery (x86-64 Windows, Linux desktops): the
// guard keeps its configuration and receives run-time errors, which end the
// process with -1; start-up links no frame and patches nothing.
#include <string>

#include "crashguard/guard_api.h"
#include "crashguard/guard_config.h"
#include "crashguard/run_time_error.h"

namespace qv {
namespace {

GuardConfig* g_config = nullptr;

bool OnRunTimeError(int32_t, const char*) {
  if (g_config != nullptr && g_config->reportCallback != nullptr) g_config->reportCallback();
  return true;
}

}  // namespace

void GuardCreateGlobals() {
  delete g_config;
  g_config = new GuardConfig();
}

void GuardReleaseGlobals() {
  delete g_config;
  g_config = nullptr;
}

void GuardStartup() {
  if (g_config == nullptr) GuardCreateGlobals();
  g_config->ownerWindowClass.Assign(kDefaultOwnerWindowClass);
  g_config->prologueScanLimit = kDefaultPrologueScanLimit;
}

void ConfigureGuard(std::optional<ReportCallback> reportCallback,
                    std::optional<int32_t> showMessageBox, std::optional<int32_t> endThreadOnly,
                    std::optional<int32_t> installErrorHandler, std::string* ownerWindowClass,
                    std::optional<int32_t> passCompilerThrows,
                    std::optional<int32_t> includeCallStack,
                    std::optional<int32_t> skipSystemFrames,
                    std::optional<int32_t> prologueScanLimit) {
  if (g_config == nullptr) GuardCreateGlobals();
  ConfigureArguments args{reportCallback,      showMessageBox,   endThreadOnly,
                          installErrorHandler, ownerWindowClass, passCompilerThrows,
                          includeCallStack,    skipSystemFrames, prologueScanLimit};
  if (ApplyConfiguration(*g_config, args)) InstallRunTimeErrorHandler();
}

void InstallRunTimeErrorHandler() { SetRunTimeErrorHandler(&OnRunTimeError); }

void ReleaseInstructionTables() {}

}  // namespace qv
