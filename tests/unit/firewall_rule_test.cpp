// Firewall rule lines: four fields, ports told from programs, and the protocol and keep marks.
#include "integration/firewall_rule.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(FirewallRule, Lines) {
  struct Case {
    const char* line;
    std::optional<FirewallRule> rule;
  };
  const Case cases[] = {
      {"8080;Web;3;0", FirewallRule{"8080", "Web", 3, false, 8080}},
      {"53;DNS;2;1", FirewallRule{"53", "DNS", 2, true, 53}},
      {"%InstallDir%\\tool.exe;Tool;0;",
       FirewallRule{"%InstallDir%\\tool.exe", "Tool", 0, false, {}}},
      {"bin\\tool.exe;Tool;1x;keep 1", FirewallRule{"bin\\tool.exe", "Tool", 1, true, {}}},
      // Protocols too large for 32 bits stay at the largest number, never wrap to none.
      {"80;Web;4294967296;0", FirewallRule{"80", "Web", 0xFFFFFFFF, false, 80}},
      // Not only digits: a program, even when it starts with a number.
      {"80a;Odd;1;0", FirewallRule{"80a", "Odd", 1, false, {}}},
      {";Empty;1;0", FirewallRule{"", "Empty", 1, false, {}}},
      // Numbers that are no port.
      {"0;Zero;1;0", std::nullopt},
      {"65536;High;1;0", std::nullopt},
      {"99999999999999999999;Huge;1;0", std::nullopt},
      // Exactly four fields.
      {"80;Web;1", std::nullopt},
      {"80;Web;1;0;x", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseFirewallRule(c.line), c.rule) << c.line;
  }
}

}  // namespace
}  // namespace qs
