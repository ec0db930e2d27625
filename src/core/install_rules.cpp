#include "core/install_rules.h"

#include "base/text.h"
#include "base/version_compare.h"
#include "core/install_run.h"
#include "core/product_flags.h"

namespace qs {

int FileProgressPosition(int32_t index, int32_t count) {
  if (count <= 0) return 28;
  return static_cast<int>(28 + int64_t{62} * index / count);
}

bool BitnessRefused(uint8_t bitness, bool systemIs64) {
  if (bitness != 1 && bitness != 2) return false;
  return systemIs64 == (bitness == 2);
}

int RequiredBitness(uint8_t bitness) {
  return bitness == 1 ? 64 : 32;
}

bool GreetingShown(uint64_t productFlags, bool automaticMode) {
  if ((productFlags & kFlagGreetingInAutomaticMode) != 0) return true;
  return !automaticMode && (productFlags & kFlagNoGreeting) == 0;
}

bool ForcedRemovalApplies(uint64_t productFlags, std::string_view oldVersion,
                          std::string_view mustUninstallBelow) {
  if ((productFlags & kFlagRemovePreviousFirst) == 0) return false;
  return mustUninstallBelow.empty() || CompareVersions(oldVersion, mustUninstallBelow) < 0;
}

PreviousInstallQuestion ChoosePreviousInstallQuestion(uint64_t productFlags,
                                                      std::string_view oldVersion,
                                                      std::string_view newVersion) {
  PreviousInstallQuestion question;
  if ((productFlags & kFlagComparePreviousVersion) == 0 || oldVersion.empty() ||
      newVersion.empty()) {
    return question;
  }
  int order = CompareVersions(oldVersion, newVersion);
  if (order == 0) {
    question.text = kTextPreviousInstallSameVersion;
    question.sameVersion = true;
  } else if (order < 0) {
    question.text = kTextPreviousInstallUpgrade;
    question.isUpgrade = true;
  } else {
    question.text = kTextPreviousInstallDowngrade;
    question.isDowngrade = true;
  }
  return question;
}

bool ConfirmReplacingPrevious(uint64_t productFlags, std::string_view oldVersion,
                              std::string_view askBelowVersion) {
  if ((productFlags & kFlagConfirmReplacingPrevious) == 0 || oldVersion.empty()) return false;
  return askBelowVersion.empty() || CompareVersions(oldVersion, askBelowVersion) < 0;
}

bool ParseRegistryDirectoryReference(std::u16string_view text, RegistryDirectoryReference& out) {
  bool currentUser;
  if (StartsWithIgnoreAsciiCase(text, u"HKLM\\")) {
    currentUser = false;
  } else if (StartsWithIgnoreAsciiCase(text, u"HKCU\\")) {
    currentUser = true;
  } else {
    return false;
  }
  std::u16string_view rest = text.substr(5);
  size_t last = rest.rfind(u'\\');
  out.currentUser = currentUser;
  // "HKCU\\Name" names a value of the root key itself.
  out.key =
      last == std::u16string_view::npos ? std::u16string() : std::u16string(rest.substr(0, last));
  out.valueName = std::u16string(last == std::u16string_view::npos ? rest : rest.substr(last + 1));
  return true;
}

bool ReinstallBatchRuns(bool previousInstallExists, bool sameVersion, uint32_t productFlags2) {
  return previousInstallExists &&
         (sameVersion || (productFlags2 & kFlags2ReinstallBatchSameVersionOnly) == 0);
}

const std::string& ChooseNotificationAddress(const ProductSettings& product, bool isUpgrade,
                                             bool isDowngrade, bool previousInstallExists) {
  if (isUpgrade) return product.notifyUrlUpgrade;
  if (isDowngrade) return product.notifyUrlDowngrade;
  if (previousInstallExists) return product.notifyUrlReinstall;
  return product.notifyUrlInstall;
}

uint32_t SummaryBoxes(const ProductSettings& product) {
  uint32_t boxes = 0;
  if (!product.finishOpenFile.empty()) boxes |= kFinishOpenFile;
  if (!product.finishLaunchProgram.empty()) boxes |= kFinishLaunchProgram;
  if (!product.finishOpenOther.empty()) boxes |= kFinishOpenOther;
  // A successful run writes its log only when the product always wants one; without it there
  // is no log to offer.
  constexpr uint64_t kLogOffered = kFlagOfferToViewLog | kFlagWriteInstallLogAlways;
  if ((product.ProductFlags & kLogOffered) == kLogOffered) boxes |= kFinishViewLog;
  return boxes;
}

EndReport ChooseEndReport(const ProductSettings& product, bool failed, bool silent,
                          bool rebootNeeded) {
  // Automatic runs ask nothing: their log is written all the same.
  if (failed) return silent ? EndReport::kNone : EndReport::kFailureQuestion;
  if (silent || (product.ProductFlags & kFlagNoEndReport) != 0) return EndReport::kNone;
  if (SummaryBoxes(product) == 0 || rebootNeeded) return EndReport::kMessage;
  return EndReport::kSummaryPage;
}

RestartDecision DecideRestart(bool rebootNeeded, bool automaticMode, uint64_t productFlags) {
  if (!rebootNeeded) return RestartDecision::kNone;
  if (!automaticMode || (productFlags & kFlagAskRebootInAutomaticMode) != 0) {
    return RestartDecision::kAsk;
  }
  return RestartDecision::kRestart;
}

}  // namespace qs
