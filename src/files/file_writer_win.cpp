#include "files/file_writer_win.h"

namespace qs {

bool WriteInstalledFile(const std::string&, ByteSpan, const DateTime&, InstallRun&, uint32_t, bool,
                        bool& deferred) {
  deferred = false;
  return false;
}

}  // namespace qs
