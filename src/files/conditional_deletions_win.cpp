#include "files/conditional_deletions_win.h"

namespace qs {

void RunInstallConditionalDeletions(InstallRun&) {}

void RunUninstallConditionalDeletions(const std::string&,
                                      const std::function<void(const std::string&)>&) {}

}  // namespace qs
