#include "base/open_result.h"

namespace qs {

const char* OpenResultText(int) {
  return "An unknown error occurred.";
}

OpenResult OpenResultFromError(uint32_t, bool, bool) {
  return kOpenUnknownError;
}

}  // namespace qs
