#include "integration/firewall_rule.h"

#include <vector>

#include "base/text_scan.h"

namespace qs {

std::optional<FirewallRule> ParseFirewallRule(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    size_t end = line.find(';', start);
    fields.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (fields.size() != 4) return std::nullopt;

  FirewallRule rule;
  rule.target = std::string(fields[0]);
  rule.name = std::string(fields[1]);
  rule.protocols = LeadingNumber(fields[2]);
  rule.keep = fields[3].find('1') != std::string_view::npos;
  bool digits = !fields[0].empty();
  for (char c : fields[0]) digits = digits && IsDigit(c);
  if (digits) {
    const uint32_t port = LeadingNumber(fields[0]);
    if (port == 0 || port > 65535) return std::nullopt;
    rule.port = static_cast<uint16_t>(port);
  }
  return rule;
}

}  // namespace qs
