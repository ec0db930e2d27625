#include "integration/registry_script.h"

#include "base/text.h"
#include "base/text_scan.h"

namespace qs {
namespace {

std::string FieldValue(std::string_view raw) {
  std::string_view field = TrimWhiteSpace(raw);
  if (field.size() < 2 || field.front() != '"' || field.back() != '"') return std::string(field);
  field = field.substr(1, field.size() - 2);
  std::string value;
  value.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    value.push_back(field[i]);
    if (field[i] == '"' && i + 1 < field.size() && field[i + 1] == '"') ++i;
  }
  return value;
}

bool IsBlank(std::string_view record) {
  return TrimWhiteSpace(record).empty();
}

}  // namespace

std::vector<std::vector<std::string>> SplitRegistryScript(std::string_view script) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> fields;
  size_t recordStart = 0;
  size_t fieldStart = 0;
  bool atFieldStart = true;  // only blanks so far in this field
  bool quoted = false;

  auto endField = [&](size_t end) {
    fields.push_back(FieldValue(script.substr(fieldStart, end - fieldStart)));
    fieldStart = end + 1;
    atFieldStart = true;
  };
  auto endRecord = [&](size_t end) {
    if (IsBlank(script.substr(recordStart, end - recordStart))) {
      fields.clear();
    } else {
      endField(end);
      records.push_back(std::move(fields));
      fields.clear();
    }
    recordStart = fieldStart = end + 1;
    atFieldStart = true;
  };

  for (size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    if (quoted) {
      if (c != '"') continue;
      if (i + 1 < script.size() && script[i + 1] == '"') {
        ++i;  // a doubled quote stays inside the field
      } else {
        quoted = false;
      }
    } else if (c == '\r' || c == '\n') {
      endRecord(i);
    } else if (c == ',') {
      endField(i);
    } else if (c == '"' && atFieldStart) {
      quoted = true;
      atFieldStart = false;
    } else if (c != ' ' && c != '\t') {
      atFieldStart = false;
    }
  }
  endRecord(script.size());
  return records;
}

std::optional<RegistryKeyPath> ParseRegistryKeyPath(std::string_view path) {
  struct RootName {
    std::string_view name;
    RegistryRoot root;
  };
  static constexpr RootName kRoots[] = {
      {"HKLM", RegistryRoot::kLocalMachine},  {"HKCU", RegistryRoot::kCurrentUser},
      {"HKCR", RegistryRoot::kClassesRoot},   {"HKU", RegistryRoot::kUsers},
      {"HKCC", RegistryRoot::kCurrentConfig}, {"HKDD", RegistryRoot::kDynData},
  };
  constexpr std::string_view kAllUsers = "\\HKAU\\";

  std::string_view rest;
  std::optional<RegistryRoot> root;
  if (path.substr(0, kAllUsers.size()) == kAllUsers) {
    root = RegistryRoot::kAllUsers;
    rest = path.substr(kAllUsers.size());
  } else if (!path.empty() && path.front() == '\\') {
    for (const RootName& candidate : kRoots) {
      std::string_view name = path.substr(1, candidate.name.size());
      std::string_view after = path.substr(1 + name.size());
      if (!EqualsIgnoreAsciiCase(name, candidate.name)) continue;
      if (!after.empty() && after.front() != '\\') continue;
      root = candidate.root;
      rest = after;
      break;
    }
  }
  if (!root) return std::nullopt;
  while (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
  while (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
  return RegistryKeyPath{*root, std::string(rest)};
}

}  // namespace qs
