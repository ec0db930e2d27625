#include "files/search_path.h"

namespace qs {

bool AddToSearchPathText(std::u16string&, std::u16string_view) {
  return false;
}
bool RemoveFromSearchPathText(std::u16string&, std::u16string_view) {
  return false;
}

}  // namespace qs
