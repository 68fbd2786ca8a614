#include "crashguard/guard_config.h"

namespace qv {

bool ApplyConfiguration(GuardConfig& config, const ConfigureArguments& args) {
  const int32_t showMessageBox = args.showMessageBox.value_or(1);
  const int32_t installErrorHandler = args.installErrorHandler.value_or(1);
  const int32_t passCompilerThrows = args.passCompilerThrows.value_or(1);
  const int32_t includeCallStack = args.includeCallStack.value_or(1);
  const int32_t skipSystemFrames = args.skipSystemFrames.value_or(1);

  std::string ownerWindowClass = args.ownerWindowClass != nullptr ? *args.ownerWindowClass : "";
  if (ownerWindowClass.empty()) {
    ownerWindowClass = config.ownerWindowClass.Get();
    if (args.ownerWindowClass != nullptr) *args.ownerWindowClass = ownerWindowClass;
  }
  int32_t prologueScanLimit = args.prologueScanLimit.value_or(0);
  if (prologueScanLimit <= 0) prologueScanLimit = config.prologueScanLimit;

  config.reportCallback = args.reportCallback.value_or(nullptr);
  config.showMessageBox = showMessageBox;
  config.endThreadOnly = args.endThreadOnly.value_or(0);
  config.passCompilerThrows = passCompilerThrows;
  config.skipSystemFrames = skipSystemFrames;
  config.includeCallStack = includeCallStack;
  config.ownerWindowClass.Assign(ownerWindowClass);
  config.prologueScanLimit = prologueScanLimit;
  return installErrorHandler != 0;
}

}  // namespace qv
