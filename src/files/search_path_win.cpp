#include "files/search_path_win.h"

namespace qs {

void UpdateSearchPath(std::wstring_view, bool) {}

}  // namespace qs
