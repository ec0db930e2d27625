#pragma once
// Keeps the files a run wrote from being moved over or deleted at the next restart by
// operations an earlier run (or another program) left pending.
#include <set>
#include <string>
#include <string_view>

namespace qs {

// The system's lower-case form of a path (CharLowerBuffW), letters outside ASCII included. The
// set of installed files must be lowered this way for the comparison to hold.
std::u16string LowerCasePath(std::u16string_view path);

// `files` holds lower-cased paths. Each pending move onto one of them is dropped (its prepared
// source goes to the Recycle Bin), and so is each pending deletion of one of them (or with an
// empty source). With `log`, what was dropped is logged there.
void RemoveFromPendingOperations(const std::set<std::u16string>& files, std::u16string* log);

}  // namespace qs
