// The lines of the record that reach beyond the product, set aside before any step carries
// them out (uninstall/record_line_checks.h). Each one goes to the failure summary, so the run
// reports it and ends incomplete; the record written again for the next run no longer holds it,
// so that run can complete.
#include <windows.h>

#include "base/text.h"
#include "base/text_win.h"
#include "files/pending_operations_win.h"
#include "integration/package_line.h"
#include "uninstall/record_line_checks.h"
#include "uninstall/uninstall_steps_win.h"

namespace qs {
namespace {

void ReportRefused(UninstallRun& run, std::string_view line) {
  run.failureSummary +=
      u"Not carried out, as it reaches beyond what the product installed: " + U16(line) + u"\r\n";
}

// Keeps the lines `keep` accepts; reports the others.
template <typename Line, typename Keep>
void Screen(UninstallRun& run, std::vector<Line>& lines, Keep keep,
            std::string (*text)(const Line&)) {
  std::vector<Line> kept;
  for (Line& line : lines) {
    if (keep(line)) {
      kept.push_back(std::move(line));
    } else {
      ReportRefused(run, text(line));
    }
  }
  lines = std::move(kept);
}

std::string LineText(const std::string& line) {
  return line;
}

std::string AssociationText(const RecordedAssociation& association) {
  return association.extension + "~!~" + association.class_name + "~!~" + association.verb;
}

std::u16string FoldedPath(std::string_view narrow) {
  return LowerCasePath(U16(narrow));
}

}  // namespace

void SetAsideUntrustedLines(UninstallRun& run) {
  UninstallRecord& record = run.record;
  // Files and folders have their own checks where they are removed; "!" lines are values.
  Screen(
      run, record.removalEntries,
      [](const std::string& entry) {
        return entry.empty() || entry.front() != '!' || IsRemovableRegistryValue(entry.substr(1));
      },
      LineText);
  Screen(run, record.registryLines, IsRemovableRegistryValue, LineText);
  Screen(run, record.associations, IsRemovableAssociation, AssociationText);

  const std::u16string installDir = LowerCasePath(run.folders.installDir);
  const std::u16string uninstallDir = LowerCasePath(run.folders.uninstallDir);
  Screen(
      run, record.msiLines,
      [&](const std::string& line) {
        // A line without a package is skipped by the remover as it is.
        const std::optional<PackageLine> package = ParsePackageLine(line);
        return !package ||
               IsProductPackagePath(FoldedPath(package->package), installDir, uninstallDir);
      },
      LineText);
  Screen(
      run, record.infLines,
      [&](const std::string& line) {
        return IsProductInfPath(FoldedPath(line), installDir, uninstallDir);
      },
      LineText);

  std::vector<std::string> refusedKeys;
  record.registry2Text = WithoutRefusedScriptRecords(record.registry2Text, refusedKeys);
  for (const std::string& key : refusedKeys) ReportRefused(run, key);
}

}  // namespace qs
