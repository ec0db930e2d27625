#pragma once
// Whether a payload entry's file goes over what its destination holds: first the entry's
// overwrite mode, then the comparison its kind makes (dates for shared files and fonts,
// version then date for system and versioned files). The decision carries the log line that
// says why.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/date_time.h"

namespace qs {

// What the rules ask about the destination. Each question is asked at most once per decision,
// and only when a rule needs its answer, so a file that is never compared is never opened.
class DestinationFacts {
 public:
  virtual ~DestinationFacts() = default;
  virtual bool Exists() = 0;
  // The last-write time; false when it cannot be read.
  virtual bool Date(DateTime& date) = 0;
  // The version resource's text (UTF-8) as versions are compared; empty when there is none.
  virtual std::string Version() = 0;
};

struct ReplacementQuery {
  std::u16string_view dest;
  uint32_t mode = 0;  // OverwriteMode
  uint32_t kind = 0;  // FileKind
  bool keep = false;
  DateTime storedDate;
  std::string_view storedVersion;  // the entry's text in UTF-8; a version for kinds 6 to 9
};

struct ReplacementDecision {
  bool write = false;
  // Record the file for the uninstaller: a skipped file at once, a written one once its folder
  // is in place and before it is written.
  bool recordFile = false;
  // Handed to the writer: a locked file that existed may wait for the restart.
  bool existedBefore = false;
  std::u16string logLine;  // dest followed by the sentence; empty when nothing is logged
};

// Kinds whose files the uninstaller removes: those of the install folder, unless kept.
bool IsRecordableKind(uint32_t kind, bool keep);

ReplacementDecision DecideReplacement(const ReplacementQuery& query, DestinationFacts& facts);

// "2019/7/05 9:03:07": how the decisions print dates.
std::string FormatFileDate(const DateTime& date);

}  // namespace qs
