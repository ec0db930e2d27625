#include "builder/glob.h"

namespace qs::builder {

bool MatchGlob(std::string_view pattern, std::string_view path) {
  while (!pattern.empty()) {
    if (pattern.substr(0, 2) == "**") {
      std::string_view rest = pattern.substr(2);
      if (rest.empty()) return true;
      if (rest[0] == '/') {
        // "**/": no folder at all, or any number of whole folders.
        rest.remove_prefix(1);
        if (MatchGlob(rest, path)) return true;
        for (size_t i = 0; i < path.size(); ++i) {
          if (path[i] == '/' && MatchGlob(rest, path.substr(i + 1))) return true;
        }
        return false;
      }
      for (size_t i = 0; i <= path.size(); ++i) {
        if (MatchGlob(rest, path.substr(i))) return true;
      }
      return false;
    }
    if (pattern[0] == '*') {
      std::string_view rest = pattern.substr(1);
      for (size_t i = 0; i <= path.size(); ++i) {
        if (MatchGlob(rest, path.substr(i))) return true;
        if (i < path.size() && path[i] == '/') return false;
      }
      return false;
    }
    if (path.empty()) return false;
    if (pattern[0] == '?' ? path[0] == '/' : pattern[0] != path[0]) return false;
    pattern.remove_prefix(1);
    path.remove_prefix(1);
  }
  return path.empty();
}

}  // namespace qs::builder
