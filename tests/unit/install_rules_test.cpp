#include "core/install_rules.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "core/install_run.h"
#include "core/product_flags.h"

namespace qs {
namespace {

TEST(InstallRulesTest, FileProgressPositions) {
  EXPECT_EQ(FileProgressPosition(0, 1), 28);
  EXPECT_EQ(FileProgressPosition(0, 60), 28);
  EXPECT_EQ(FileProgressPosition(59, 60), 88);  // 28 + 62 * 59 / 60, rounded down
  EXPECT_EQ(FileProgressPosition(30, 60), 59);
  // Large counts do not overflow the product.
  EXPECT_EQ(FileProgressPosition(99999999, 100000000), 89);
  // Positions never fall back from one entry to the next.
  for (int32_t count : {1, 7, 60, 1000}) {
    int previous = 0;
    for (int32_t i = 0; i < count; ++i) {
      int position = FileProgressPosition(i, count);
      EXPECT_GE(position, previous);
      EXPECT_LT(position, 91);
      previous = position;
    }
  }
}

TEST(InstallRulesTest, BitnessRefusal) {
  struct Case {
    uint8_t bitness;
    bool systemIs64;
    bool refused;
  };
  const Case cases[] = {
      {0, false, false}, {0, true, false}, {1, false, true}, {1, true, false},
      {2, false, false}, {2, true, true},  {3, true, false},  // other values name no bitness
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BitnessRefused(c.bitness, c.systemIs64), c.refused)
        << int{c.bitness} << (c.systemIs64 ? " on 64-bit" : " on 32-bit");
  }
  EXPECT_EQ(RequiredBitness(1), 64);
  EXPECT_EQ(RequiredBitness(2), 32);
}

TEST(InstallRulesTest, GreetingShown) {
  EXPECT_TRUE(GreetingShown(0, false));
  EXPECT_FALSE(GreetingShown(0, true));
  EXPECT_FALSE(GreetingShown(kFlagNoGreeting, false));
  EXPECT_TRUE(GreetingShown(kFlagGreetingInAutomaticMode, true));
  EXPECT_TRUE(GreetingShown(kFlagGreetingInAutomaticMode | kFlagNoGreeting, true));
}

TEST(InstallRulesTest, PreviousInstallQuestion) {
  struct Case {
    uint64_t flags;
    const char* oldVersion;
    const char* newVersion;
    TextId text;
    bool upgrade, downgrade, same;
  };
  const Case cases[] = {
      {kFlagComparePreviousVersion, "1.0", "2.0", kTextPreviousInstallUpgrade, true, false, false},
      {kFlagComparePreviousVersion, "2.0", "1.10", kTextPreviousInstallDowngrade, false, true,
       false},
      {kFlagComparePreviousVersion, "1.9", "1.10", kTextPreviousInstallUpgrade, true, false, false},
      {kFlagComparePreviousVersion, "2.0", "2.0", kTextPreviousInstallSameVersion, false, false,
       true},
      {kFlagComparePreviousVersion, "", "2.0", kTextPreviousInstall, false, false, false},
      {kFlagComparePreviousVersion, "1.0", "", kTextPreviousInstall, false, false, false},
      {0, "1.0", "2.0", kTextPreviousInstall, false, false, false},
  };
  for (const Case& c : cases) {
    PreviousInstallQuestion q = ChoosePreviousInstallQuestion(c.flags, c.oldVersion, c.newVersion);
    SCOPED_TRACE(std::string(c.oldVersion) + " -> " + c.newVersion);
    EXPECT_EQ(q.text, c.text);
    EXPECT_EQ(q.isUpgrade, c.upgrade);
    EXPECT_EQ(q.isDowngrade, c.downgrade);
    EXPECT_EQ(q.sameVersion, c.same);
  }
}

TEST(InstallRulesTest, VersionThresholds) {
  // Forced removal: the older version goes first unless it has reached mustUninstallBelow.
  EXPECT_TRUE(ForcedRemovalApplies(kFlagRemovePreviousFirst, "1.0", ""));
  EXPECT_TRUE(ForcedRemovalApplies(kFlagRemovePreviousFirst, "1.9", "1.10"));
  EXPECT_FALSE(ForcedRemovalApplies(kFlagRemovePreviousFirst, "1.10", "1.10"));
  EXPECT_FALSE(ForcedRemovalApplies(kFlagRemovePreviousFirst, "2.0", "1.10"));
  EXPECT_FALSE(ForcedRemovalApplies(0, "1.0", ""));
  // kTextConfirmReplacingPrevious: only with a known old version, and below askBelowVersion
  // when given.
  EXPECT_TRUE(ConfirmReplacingPrevious(kFlagConfirmReplacingPrevious, "1.0", ""));
  EXPECT_FALSE(ConfirmReplacingPrevious(kFlagConfirmReplacingPrevious, "", ""));
  EXPECT_TRUE(ConfirmReplacingPrevious(kFlagConfirmReplacingPrevious, "1.0", "1.5"));
  EXPECT_FALSE(ConfirmReplacingPrevious(kFlagConfirmReplacingPrevious, "1.5", "1.5"));
  EXPECT_FALSE(ConfirmReplacingPrevious(0, "1.0", ""));
}

TEST(InstallRulesTest, RegistryDirectoryReferences) {
  struct Case {
    const char* text;
    bool parsed;
    bool currentUser;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"HKLM\\Software\\Vendor\\Dir", true, false, "Software\\Vendor", "Dir"},
      {"hkcu\\Software\\Vendor\\Path", true, true, "Software\\Vendor", "Path"},
      {"HKCU\\Dir", true, true, "", "Dir"},
      {"HKCR\\x\\y", false, false, "", ""},
      {"C:\\HKLM\\x", false, false, "", ""},
      {"HKLM", false, false, "", ""},
  };
  for (const Case& c : cases) {
    RegistryDirectoryReference reference;
    ASSERT_EQ(ParseRegistryDirectoryReference(AsciiToUtf16(c.text), reference), c.parsed) << c.text;
    if (!c.parsed) continue;
    EXPECT_EQ(reference.currentUser, c.currentUser) << c.text;
    EXPECT_EQ(reference.key, AsciiToUtf16(c.key)) << c.text;
    EXPECT_EQ(reference.valueName, AsciiToUtf16(c.value)) << c.text;
  }
}

TEST(InstallRulesTest, ReinstallBatch) {
  EXPECT_FALSE(ReinstallBatchRuns(false, false, 0));
  EXPECT_TRUE(ReinstallBatchRuns(true, false, 0));
  EXPECT_TRUE(ReinstallBatchRuns(true, true, kFlags2ReinstallBatchSameVersionOnly));
  EXPECT_FALSE(ReinstallBatchRuns(true, false, kFlags2ReinstallBatchSameVersionOnly));
}

TEST(InstallRulesTest, NotificationAddressFollowsTheKindOfRun) {
  ProductSettings product;
  product.notifyUrlInstall = "install";
  product.notifyUrlUpgrade = "upgrade";
  product.notifyUrlDowngrade = "downgrade";
  product.notifyUrlReinstall = "reinstall";
  EXPECT_EQ(ChooseNotificationAddress(product, false, false, false), "install");
  EXPECT_EQ(ChooseNotificationAddress(product, true, false, true), "upgrade");
  EXPECT_EQ(ChooseNotificationAddress(product, false, true, true), "downgrade");
  EXPECT_EQ(ChooseNotificationAddress(product, false, false, true), "reinstall");
}

TEST(InstallRulesTest, EndReport) {
  ProductSettings plain;
  ProductSettings withFinish;
  withFinish.finishLaunchProgram = u"%InstallDir%\\app.exe";
  ProductSettings withLog;
  withLog.ProductFlags = kFlagOfferToViewLog | kFlagWriteInstallLogAlways;
  ProductSettings logNeverWritten;
  logNeverWritten.ProductFlags = kFlagOfferToViewLog;
  ProductSettings quiet;
  quiet.ProductFlags = kFlagNoEndReport;
  quiet.finishOpenFile = u"readme.txt";

  struct Case {
    const char* name;
    const ProductSettings* product;
    bool failed, silent, reboot;
    EndReport report;
  };
  const Case cases[] = {
      {"no finish action", &plain, false, false, false, EndReport::kMessage},
      {"finish action", &withFinish, false, false, false, EndReport::kSummaryPage},
      {"log box only", &withLog, false, false, false, EndReport::kSummaryPage},
      {"log offered but not written", &logNeverWritten, false, false, false, EndReport::kMessage},
      {"reboot pending", &withFinish, false, false, true, EndReport::kMessage},
      {"silent", &withFinish, false, true, false, EndReport::kNone},
      {"no report wanted", &quiet, false, false, false, EndReport::kNone},
      {"failed", &quiet, true, false, false, EndReport::kFailureQuestion},
      {"failed silently", &plain, true, true, false, EndReport::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseEndReport(*c.product, c.failed, c.silent, c.reboot), c.report) << c.name;
  }
  EXPECT_EQ(SummaryBoxes(plain), 0u);
  EXPECT_EQ(SummaryBoxes(withFinish), uint32_t{kFinishLaunchProgram});
  EXPECT_EQ(SummaryBoxes(withLog), uint32_t{kFinishViewLog});
}

TEST(InstallRulesTest, RestartDecision) {
  EXPECT_EQ(DecideRestart(false, false, 0), RestartDecision::kNone);
  EXPECT_EQ(DecideRestart(true, false, 0), RestartDecision::kAsk);
  EXPECT_EQ(DecideRestart(true, true, 0), RestartDecision::kRestart);
  EXPECT_EQ(DecideRestart(true, true, kFlagAskRebootInAutomaticMode), RestartDecision::kAsk);
}

}  // namespace
}  // namespace qs
