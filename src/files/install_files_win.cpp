// The file phase: each payload entry is read, placed, compared with what its destination holds,
// written, recorded for the uninstaller and handed to the follow-up its kind needs.
#include "files/install_files_win.h"

#include <windows.h>

#include <string>

#include "base/fatal.h"
#include "base/system_error_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "core/install_phases_win.h"
#include "core/install_rules.h"
#include "core/install_steps_win.h"
#include "core/payload_entry.h"
#include "core/payload_format.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/step_timing_win.h"
#include "core/target_path.h"
#include "files/file_queries_win.h"
#include "files/file_writer_win.h"
#include "files/pending_operations_win.h"
#include "files/removal_record.h"
#include "files/replacement_rules.h"
#include "integration/path_variables_win.h"
#include "integration/shell_folders_win.h"
#include "ui/user_interface_win.h"
#include "uninstall/uninstall_key.h"

namespace qs {
namespace {

// The entry that stands for the product's own data shows the fixed progress text.
constexpr char16_t kHiddenEntryName[] = u"b/0@+";

class SystemDestinationFacts : public DestinationFacts {
 public:
  // The wide path is made only for the questions the rules ask.
  explicit SystemDestinationFacts(const std::u16string& path) : path_(path) {}
  bool Exists() override { return FileExists(Wide()); }
  bool Date(DateTime& date) override { return GetFileDate(Wide(), date); }
  std::string Version() override { return GetFileVersion(Wide()); }

 private:
  std::wstring Wide() const { return std::wstring(AsWide(path_)); }
  const std::u16string& path_;
};

std::u16string ExpandDestination(std::u16string_view text) {
  return ExpandPathVariables(text);
}

// The folders of the phase, settled once before the first entry.
struct PhaseFolders {
  TargetFolders target;
  std::wstring installKey;  // FolderKey of the install folder
};

PhaseFolders FoldersOf(const InstallRun& run) {
  PhaseFolders folders;
  TargetFolders& target = folders.target;
  target.installDir = run.installDir;
  // Without a shared folder the product's shared files stay with it rather than landing
  // relative to whatever the working folder is.
  target.sharedDir = run.sharedDir.empty() ? target.installDir : run.sharedDir;
  target.uninstallDir = run.uninstallDir;
  target.fontsDir = AsU16(FontDir());
  target.systemDir = AsU16(SystemDir());
  folders.installKey = FolderKey(AsWide(target.installDir));
  return folders;
}

void ShowUnpacking(void*) {
  Ui().ShowProgressText(GetText(kTextUnpacking));
}

// Kinds 1 and 6 to 8 take part in shared-file counting. A system file or a kept file is never
// removed; a COM server and a type library are unregistered before they go. The list is kept in
// the narrow form of the "SharedFiles" value it is written to.
void AddSharedFile(const PayloadEntry& entry, const std::u16string& dest, InstallRun& run) {
  std::string shared = ToBarNarrow(dest);
  if (entry.kind == kSystemFile || entry.Keep()) {
    shared += ' ';
  } else if (entry.kind == kSystemComServer) {
    shared += '^';
  } else if (entry.kind == kSystemTypeLibrary) {
    shared += '\xA9';
  }
  run.sharedFiles.push_back(std::move(shared));
}

void AddShortcut(const PayloadEntry& entry, const std::u16string& dest, InstallRun& run) {
  ShortcutEntry shortcut;
  shortcut.onDesktop = (entry.flags & kEntryDesktop) != 0;
  shortcut.inStartMenu = (entry.flags & kEntryStartMenu) != 0;
  shortcut.shortcutFile = entry.kind == kShortcutFile;
  shortcut.keep = entry.Keep();
  shortcut.target = dest;
  shortcut.command = entry.command;
  shortcut.extra = entry.extra;
  shortcut.caption = entry.text;
  shortcut.icon = entry.icon;
  run.shortcuts.push_back(std::move(shortcut));
}

// Makes the destination's folder; false (with the paragraph in the failure summary) when it
// cannot be made.
bool MakeFolder(const std::u16string& folder, const std::u16string& dest, InstallRun& run) {
  const DWORD error = CreateFolderPath(folder);
  if (error == 0) return true;
  const std::u16string reason =
      FileExists(std::wstring(AsWide(folder)))
          ? u"Cannot create directory because there is a file with the same name."
          : SystemErrorU16(error);
  run.failureSummary += std::u16string(AsU16(GetText(kTextCannotCreateFolder))) + u" " + folder +
                        u"\r\n" + reason + u"\r\n\r\nNot installed: " + dest + u"\r\n\r\n";
  return false;
}

// What follows a file that is now in place.
void FollowUp(const PayloadEntry& entry, const std::u16string& dest, InstallRun& run) {
  switch (entry.kind) {
    case kFontFile:
      if (RegisterFont(dest, run)) run.fontsChanged = true;
      break;
    case kDriverPackage:
      run.drivers.push_back(dest);
      break;
    case kMsiPackage:
      InstallPackage(dest, entry.msiUiLevel, (entry.flags & kEntryUninstallPackage) != 0, run);
      break;
    case kControlPanelApplet:
      RegisterApplet(dest, entry.text, run);
      break;
    default:
      break;
  }
}

void InstallEntry(PayloadEntry& entry, const PhaseFolders& folders, InstallRun& run) {
  TargetPath target;
  if (int error = ResolveTargetPath(entry, folders.target, ExpandDestination, target); error != 0) {
    ReportCorrupt(error);
  }
  const std::u16string& dest = target.path;
  const bool keep = entry.Keep();
  if (entry.kind == kFontFile && target.inKindFolder && !keep) {
    run.fontList += FormatProductFonts({{Utf16ToUtf8(entry.text), ToBarNarrow(entry.name)}});
  }

  // The name as placed: a bare file name in the destination has renamed the entry by now.
  const bool fixedItemText = HasFlag(kFlagHidePathsInProgress) || entry.name == kHiddenEntryName;
  if (fixedItemText) {
    Ui().ShowCurrentItem(GetText(kTextInstalling));
  } else {
    Ui().ShowCurrentItem(AsWide(dest));
  }

  if (entry.kind == kSystemComServer) run.comServers.push_back(dest);
  if (entry.kind == kSystemTypeLibrary) run.typeLibraries.push_back(dest);
  if (entry.kind == kSharedFolderFile || entry.kind == kSystemFile ||
      entry.kind == kSystemComServer || entry.kind == kSystemTypeLibrary) {
    AddSharedFile(entry, dest, run);
  }

  const std::string storedVersion = Utf16ToUtf8(entry.text);  // as stored
  ReplacementQuery query;
  query.dest = dest;
  query.mode = entry.Overwrite();
  query.kind = entry.kind;
  query.keep = keep;
  query.storedDate = entry.dateTime;
  query.storedVersion = storedVersion;
  SystemDestinationFacts facts(dest);
  const ReplacementDecision decision = DecideReplacement(query, facts);
  Log(run, decision.logLine);
  if (!decision.write) {
    if (decision.recordFile)
      RecordForRemoval(run.removalList, run.recordedFolders, dest, RemovalEntry::kFile);
    return;
  }

  if (entry.kind == kShortcutFile ||
      (entry.kind == kInstallFolderFile && (entry.flags & kEntryShortcutMask) != 0)) {
    AddShortcut(entry, dest, run);
  }

  if (target.createFolders) {
    const std::u16string folder = FolderPart(dest);
    if (!folder.empty() && FolderKey(AsWide(folder)) != folders.installKey) {
      if (!MakeFolder(folder, dest, run)) return;
      if (!keep && (IsRecordableKind(entry.kind, false) || entry.kind == kSharedFolderFile)) {
        RecordForRemoval(run.removalList, run.recordedFolders, folder, RemovalEntry::kFolder);
      }
    }
  }
  if (decision.recordFile)
    RecordForRemoval(run.removalList, run.recordedFolders, dest, RemovalEntry::kFile);

  bool deferred = false;
  if (!WriteInstalledFile(dest, entry.content, entry.dateTime, run, entry.attributes,
                          decision.existedBefore, deferred)) {
    return;
  }
  if (HasFlag(kFlagDetailedLog)) {
    Log(run, FileNamePart(entry.name) + u" >>> " + dest + u"\r\n");
  }
  FollowUp(entry, dest, run);
  run.installedFiles.insert(LowerCasePath(dest));
}

}  // namespace

void InstallFiles(PayloadContext& payload, InstallRun& run) {
  const PayloadHeader& header = payload.header;
  const int32_t count = header.entryCount;
  QS_CHECK(header.contentSizes.size() == static_cast<size_t>(count));
  FileDataReader reader(payload.fileDataArea.bytes, header, HasFlag(kFlagCompressedBlocks));
  const PhaseFolders folders = FoldersOf(run);

  for (int32_t i = 0; i < count; ++i) {
    Ui().SetProgress(FileProgressPosition(i, count));
    ByteSpan record;
    if (int error = reader.NextEntry(record, ShowUnpacking, nullptr); error != 0) {
      ReportCorrupt(error);
    }
    PayloadEntry entry;
    const int32_t size = header.contentSizes[static_cast<size_t>(i)];
    if (int error = ParsePayloadEntry(record, size, entry, {DecodeAnsi}); error != 0) {
      ReportCorrupt(error);
    }
    InstallEntry(entry, folders, run);
    PumpMessages();
  }

  // The entries end with the area: blocks left unread, or a further whole entry, mean the
  // count and the stream disagree.
  ByteSpan extra;
  if (reader.RemainingBytes() != 0 || reader.NextEntry(extra) == 0) {
    ReportCorrupt(kErrorEntryName);
  }

  if (run.fontsChanged) AnnounceFontChange();
  Ui().SetProgress(91);
  RemoveFromPendingOperations(run.installedFiles, &run.installLog);
  Ui().SetProgress(92);
}

}  // namespace qs
