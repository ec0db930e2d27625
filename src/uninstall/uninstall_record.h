#pragma once
// Uninstall.DAT: the text file beside the uninstaller that lists what an installation left
// (files, folders it made, registry values) and carries the texts the uninstaller shows and
// the script sections it must undo. The installer writes it; the uninstaller reads it, works
// through it and writes back what it could not undo.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/product_settings.h"
#include "core/text_ids.h"

namespace qs {

// The texts the uninstaller needs, in the order they are written; the dialog caption follows
// them as kTextRecordDialogCaption.
inline constexpr std::array<TextId, 25> kUninstallTextNumbers = {
    kTextUninstallFailed,
    kTextUninstallCompleteCaption,
    kTextQuestionCaption,
    kTextRecordReserved1,
    kTextUninstallComplete,
    kTextSharedFileCaption,
    kTextCancelButton,
    kTextUninstallQuestion,
    kTextUninstallCaption,
    kTextRemoveFontQuestion,
    kTextRemoveFontCaption,
    kTextCannotRemoveFile,
    kTextRemoveSharedFileQuestion,
    kTextInstallerCaption,
    kTextRemovingFonts,
    kTextRemovingFiles,
    kTextRemovingRegistryEntries,
    kTextRemovingAssociations,
    kTextUninstallingHeading,
    kTextUninstallRestartQuestion,
    kTextRecordReserved2,
    kTextRecordReserved3,
    kTextCloseProgramQuestion,
    kTextRecordReserved4,
    kTextUninstallCancelled,
};
// Text numbers outside this range are ignored when reading.
inline constexpr int32_t kFirstRecordText = 1;
inline constexpr int32_t kLastRecordText = 1000;

// An association the installation made, as the uninstaller needs it.
struct RecordedAssociation {
  std::string extension;   // ".txt": the key under HKEY_CLASSES_ROOT
  std::string class_name;  // the class key the extension points to
  std::string verb;        // the verb under the class key's "shell"

  bool operator==(const RecordedAssociation&) const = default;
};

struct UninstallRecord {
  // The removal list: a file, "~" + a folder the installation made, "!" + a registry value's
  // full path. Narrow paths ("|" convention), in the order they were recorded.
  std::vector<std::string> removalEntries;
  // The [Strings] texts, UTF-8, by number; kTextRecordDialogCaption is the dialog caption.
  std::map<int32_t, std::string> texts;
  std::vector<AutoCloseEntry> autoClose;
  std::vector<RecordedAssociation> associations;
  std::vector<std::string> firewallLines;  // target;name;protocols;keep
  std::vector<std::string> infLines;       // installed driver INF files
  std::vector<std::string> msiLines;       // "\"package\",level"
  std::vector<std::string> registryLines;  // full value paths to delete
  std::string registry2Text;               // the product's registry script, lines kept
  // Only the rules taken while uninstalling (kDeleteModeUninstall) are written.
  std::vector<FileDeletion> conditionalDeletes;

  bool operator==(const UninstallRecord&) const = default;
};

// The file's bytes. `removalList` is written unchanged (lines ending "\r\n"); the record's
// removalEntries are not used. Every fixed text number is written, empty when the record
// has no text for it.
std::string FormatUninstallRecord(std::string_view removalList, const UninstallRecord& record);

// Reads the file's bytes. Malformed lines are skipped; reading never fails. Lines end in "\n"
// with or without "\r" before it. A text of [Strings] keeps its inner line breaks as "\r\n";
// the two empty lines that come with each header are not part of the text or script before it.
// An [AutoClose] or [ConditionalDelete] entry whose quoted field holds line breaks is read
// across those lines.
UninstallRecord ParseUninstallRecord(std::string_view bytes);

// One comma-separated field as [AutoClose] and [ConditionalDelete] write it: inner double
// quotes doubled, the whole enclosed in double quotes when it holds one of ",\"\t\r\n;|", or
// begins with a space or an apostrophe, or ends with a space.
std::string QuoteRecordField(std::string_view field);
// The reader's side: split at commas outside quotes, each field trimmed, enclosing quotes
// removed and inner quotes undoubled.
std::vector<std::string> SplitRecordFields(std::string_view line);

// "extension~!~class~!~verb", split at the first separator and the rest at its first one.
// False when the line lacks either separator; empty parts are returned as they are.
bool SplitAssociationLine(std::string_view line, RecordedAssociation& association);

// A text of the product as [Strings] stores it: UTF-8, with "?" for a half surrogate pair,
// which has no UTF-8 form.
std::string RecordTextUtf8(std::u16string_view text);

}  // namespace qs
