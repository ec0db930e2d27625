#pragma once
// The decisions of the install sequence that need nothing from the system: which question a
// previous installation gets, which pages show, the progress positions, the end report and the
// restart. The sequence asks these and does the rest.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/product_settings.h"
#include "core/text_ids.h"

namespace qs {

// Progress position of payload entry `index` (from 0) of `count`: 28 + 62 * index / count.
int FileProgressPosition(int32_t index, int32_t count);

// A product built for one bitness (Bitness 1: 64-bit only, 2: 32-bit only) on a system of the
// other. The refusal's kTextWrongBitness takes the bitness the product needs.
bool BitnessRefused(uint8_t bitness, bool systemIs64);
int RequiredBitness(uint8_t bitness);

// The greeting shows with the "greeting in automatic mode" flag, or in an interactive run
// unless the product turns it off.
bool GreetingShown(uint64_t productFlags, bool automaticMode);

// The older version must be removed first (forced removal), unless it is at least
// mustUninstallBelow.
bool ForcedRemovalApplies(uint64_t productFlags, std::string_view oldVersion,
                          std::string_view mustUninstallBelow);

// The question about an existing installation: the text to ask and what the versions say.
struct PreviousInstallQuestion {
  TextId text = kTextPreviousInstall;  // versions not compared
  bool isUpgrade = false;
  bool isDowngrade = false;
  bool sameVersion = false;
};
PreviousInstallQuestion ChoosePreviousInstallQuestion(uint64_t productFlags,
                                                      std::string_view oldVersion,
                                                      std::string_view newVersion);

// The confirmation (kTextConfirmReplacingPrevious) before replacing an existing version.
bool ConfirmReplacingPrevious(uint64_t productFlags, std::string_view oldVersion,
                              std::string_view askBelowVersion);

// A default installation folder read from the registry: "HKLM\\key\\value" or "HKCU\\...".
struct RegistryDirectoryReference {
  bool currentUser = false;
  std::u16string key;
  std::u16string valueName;
};
// False when `text` is no such reference.
bool ParseRegistryDirectoryReference(std::u16string_view text, RegistryDirectoryReference& out);
inline constexpr std::u16string_view kMasterPrefix = u"<master>";

// The Reinstall Batch runs for an existing installation of the same version, or for any
// existing installation unless the product limits it to the same version.
bool ReinstallBatchRuns(bool previousInstallExists, bool sameVersion, uint32_t productFlags2);

// The notification address of the run.
const std::string& ChooseNotificationAddress(const ProductSettings& product, bool isUpgrade,
                                             bool isDowngrade, bool previousInstallExists);

// How the run reports its end.
enum class EndReport {
  kNone,             // silent, or the product wants no report
  kMessage,          // kTextInstallComplete in an information box
  kSummaryPage,      // the summary page with its choices
  kFailureQuestion,  // kTextFailureQuestion: offer the log (interactive runs that failed)
};
EndReport ChooseEndReport(const ProductSettings& product, bool failed, bool silent,
                          bool rebootNeeded);
// The summary boxes whose subject exists (FinishChoice bits): the log's only when the log is
// written.
uint32_t SummaryBoxes(const ProductSettings& product);

// The restart at the end: asked, done without asking, or not at all.
enum class RestartDecision { kNone, kAsk, kRestart };
RestartDecision DecideRestart(bool rebootNeeded, bool automaticMode, uint64_t productFlags);

}  // namespace qs
