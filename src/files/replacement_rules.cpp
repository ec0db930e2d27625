#include "files/replacement_rules.h"

#include <cstdio>
#include <optional>

#include "base/text.h"
#include "base/version_compare.h"
#include "core/payload_entry.h"

namespace qs {
namespace {

// Keeps each answer, so that a mode test and the kind's comparison ask the file system once.
class RememberedFacts {
 public:
  explicit RememberedFacts(DestinationFacts& facts) : facts_(facts) {}

  bool Exists() {
    if (!exists_) exists_ = facts_.Exists();
    return *exists_;
  }

  bool Date(DateTime& date) {
    if (!dateRead_) dateRead_ = facts_.Date(date_);
    date = date_;
    return *dateRead_;
  }

  const std::string& Version() {
    if (!version_) version_ = facts_.Version();
    return *version_;
  }

 private:
  DestinationFacts& facts_;
  std::optional<bool> exists_;
  std::optional<bool> dateRead_;
  DateTime date_;
  std::optional<std::string> version_;
};

// The destination followed by the sentence (UTF-8: versions are UTF-8 texts).
std::u16string LogLine(std::u16string_view dest, std::string_view sentence) {
  return std::u16string(dest) + Utf8ToUtf16(sentence);
}

ReplacementDecision Skipped(std::u16string_view dest, std::string_view sentence, bool record) {
  ReplacementDecision decision;
  decision.recordFile = record;
  decision.logLine = LogLine(dest, sentence);
  return decision;
}

bool ComparesByDate(uint32_t kind) {
  return kind == kSharedFolderFile || kind == kFontFile;
}

bool ComparesByVersion(uint32_t kind) {
  return kind >= kSystemFile && kind <= kVersionedFile;
}

// Shared files and fonts: the stored date must be complete and later than the existing one.
ReplacementDecision CompareByDate(const ReplacementQuery& query, RememberedFacts& facts,
                                  bool record) {
  ReplacementDecision decision;
  decision.existedBefore = facts.Exists();
  if (decision.existedBefore) {
    DateTime existing;
    const bool upToDate = query.storedDate.IsComplete() && facts.Date(existing) &&
                          CompareDateTime(existing, query.storedDate) >= 0;
    if (upToDate) return Skipped(query.dest, " is up to date.\r\n", false);
    decision.logLine = LogLine(query.dest, " is out of date and will be replaced.\r\n");
  }
  decision.write = true;
  decision.recordFile = record;
  return decision;
}

// System and versioned files: a newer version does not outweigh an older date; each test that
// can be made must pass.
ReplacementDecision CompareByVersion(const ReplacementQuery& query, RememberedFacts& facts,
                                     bool record) {
  ReplacementDecision decision;
  decision.existedBefore = facts.Exists();
  decision.write = true;
  decision.recordFile = record;
  if (!decision.existedBefore) return decision;

  // Only a versioned file of the install folder is the product's own to remove.
  const bool recordSkipped = query.kind == kVersionedFile && !query.keep;
  std::string reason;
  if (!query.storedVersion.empty()) {
    const std::string& existing = facts.Version();
    if (!existing.empty()) {
      const std::string stored(query.storedVersion);
      if (CompareVersions(stored, existing) <= 0) {
        return Skipped(query.dest,
                       " was not installed because its version (" + stored +
                           ") is not newer than " + existing + "\r\n",
                       recordSkipped);
      }
      reason = "its version (" + stored + ") is newer than " + existing;
    }
  }
  DateTime existingDate;
  if (facts.Date(existingDate)) {
    const std::string stored = FormatFileDate(query.storedDate);
    const std::string existing = FormatFileDate(existingDate);
    if (CompareDateTime(query.storedDate, existingDate) <= 0) {
      return Skipped(query.dest,
                     " was not installed because its date (" + stored + ") is not newer than " +
                         existing + ".\r\n",
                     recordSkipped);
    }
    if (!reason.empty()) reason += " and ";
    reason += "its date (" + stored + ") is newer than " + existing;
  }
  decision.logLine =
      LogLine(query.dest, reason.empty() ? std::string(" is out of date and will be replaced.\r\n")
                                         : " needs replacement because " + reason + "\r\n");
  return decision;
}

}  // namespace

bool IsRecordableKind(uint32_t kind, bool keep) {
  if (keep) return false;
  switch (kind) {
    case kInstallFolderFile:
    case kShortcutFile:
    case kVersionedFile:
    case kDriverPackage:
    case kMsiPackage:
    case kControlPanelApplet:
      return true;
    default:
      return false;
  }
}

ReplacementDecision DecideReplacement(const ReplacementQuery& query, DestinationFacts& facts) {
  RememberedFacts remembered(facts);
  const bool recordable = IsRecordableKind(query.kind, query.keep);

  switch (query.mode) {
    case kOverwriteNoCopy:
      return {};
    case kOverwriteOnlyIfPresent:
      if (!remembered.Exists()) {
        return Skipped(query.dest, " was not installed because it does not already exist.\r\n",
                       false);
      }
      break;
    case kOverwriteOnlyIfAbsent:
      if (remembered.Exists()) {
        return Skipped(query.dest, " was not installed because it already exists.\r\n", recordable);
      }
      break;
    case kOverwriteUnlessExistingNewer: {
      // A date without a time cannot be said to be later: the test needs both complete.
      DateTime existing;
      if (query.storedDate.IsComplete() && remembered.Date(existing) && existing.IsComplete() &&
          CompareDateTime(existing, query.storedDate) > 0) {
        return Skipped(query.dest, " was not installed because the existing file is newer.\r\n",
                       recordable);
      }
      break;
    }
    default:
      break;
  }

  if (ComparesByDate(query.kind)) return CompareByDate(query, remembered, recordable);
  if (ComparesByVersion(query.kind)) return CompareByVersion(query, remembered, recordable);
  ReplacementDecision decision;
  decision.write = true;
  decision.recordFile = recordable;
  return decision;
}

std::string FormatFileDate(const DateTime& date) {
  char text[80];
  std::snprintf(text, sizeof text, "%d/%d/%02d %d:%02d:%02d", static_cast<int>(date.year),
                static_cast<int>(date.month), static_cast<int>(date.day),
                static_cast<int>(date.hour), static_cast<int>(date.minute),
                static_cast<int>(date.second));
  return text;
}

}  // namespace qs
