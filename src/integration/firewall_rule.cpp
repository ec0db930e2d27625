#include "integration/firewall_rule.h"

#include <vector>

namespace qs {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The decimal number at the start of `text`, stopping past `limit`.
uint64_t LeadingNumber(std::string_view text, uint64_t limit) {
  uint64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) break;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > limit) return limit + 1;
  }
  return value;
}

}  // namespace

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
  rule.protocols = static_cast<uint32_t>(LeadingNumber(fields[2], UINT32_MAX));
  rule.keep = fields[3].find('1') != std::string_view::npos;
  bool digits = !fields[0].empty();
  for (char c : fields[0]) digits = digits && IsDigit(c);
  if (digits) {
    uint64_t port = LeadingNumber(fields[0], 65535);
    if (port == 0 || port > 65535) return std::nullopt;
    rule.port = static_cast<uint16_t>(port);
  }
  return rule;
}

}  // namespace qs
