#pragma once
// A firewall rule line, as the product settings give it and the [Firewall] section of
// Uninstall.DAT keeps it: target;name;protocols;keep.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qs {

inline constexpr uint32_t kFirewallTcp = 1;
inline constexpr uint32_t kFirewallUdp = 2;

struct FirewallRule {
  std::string target;            // a port number, or a program path with path variables
  std::string name;              // the exception's name in the firewall
  uint32_t protocols = 0;        // ports only: kFirewallTcp | kFirewallUdp
  bool keep = false;             // the exception stays when the product is removed
  std::optional<uint16_t> port;  // the target when it is a port number

  bool operator==(const FirewallRule&) const = default;
};

// Exactly four fields separated by ";", else nothing. A target of decimal digits alone is a
// port (nothing for a number above 65535 or 0); the protocols field is read as a decimal number
// up to its first non-digit (one above 4294967295 as 4294967295); keep is set when the fourth
// field holds a '1'.
std::optional<FirewallRule> ParseFirewallRule(std::string_view line);

}  // namespace qs
