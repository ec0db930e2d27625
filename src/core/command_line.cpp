#include "core/command_line.h"

#include "base/text.h"

namespace qs {
namespace {

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// "x" -> x; a value that does not both begin and end with a quote is taken as written.
std::string_view StripSurroundingQuotes(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  size_t start = 0;
  for (size_t found; (found = text.find(from, start)) != std::string_view::npos;
       start = found + from.size()) {
    out.append(text, start, found - start);
    out.append(to);
  }
  out.append(text, start);
  return out;
}

// The value of /r and /b1..b3, whose opening quote has already been removed: the closing quote
// goes, and grave accents stand for double quotes, which the command line cannot nest.
std::string CommandValue(std::string_view value) {
  if (!value.empty() && value.back() == '"') value.remove_suffix(1);
  return ReplaceAll(value, "`", "\"");
}

// "~~" separates the lines of a batch addition.
std::string BatchValue(std::string_view value) {
  return ReplaceAll(CommandValue(value), "~~", "\r\n");
}

// Classifies one switch (the atom without its "/" or "-"). Returns false for an unknown one.
bool ApplySwitch(std::string_view name, CommandLineOptions& options) {
  const auto takePrefix = [&name](std::string_view prefix) {
    if (!StartsWithIgnoreAsciiCase(name, prefix)) return false;
    name.remove_prefix(prefix.size());
    return true;
  };

  if (EqualsIgnoreAsciiCase(name, "A")) {
    options.automaticMode = true;
  } else if (takePrefix("D:")) {
    options.installDirOverride = StripSurroundingQuotes(name);
  } else if (takePrefix("N:")) {
    options.productNameOverride = StripSurroundingQuotes(name);
  } else if (takePrefix("U")) {
    // Any switch beginning with U selects uninstalling; only "U:" carries the product name.
    options.uninstallMode = true;
    if (!name.empty() && name.front() == ':') {
      options.uninstallProductName = StripSurroundingQuotes(name.substr(1));
    }
  } else if (takePrefix("R:\"")) {
    options.runAfterInstall = CommandValue(name);
  } else if (takePrefix("B1:\"")) {
    options.preBatchAddition = BatchValue(name);
  } else if (takePrefix("B2:\"")) {
    options.postBatchAddition = BatchValue(name);
  } else if (takePrefix("B3:\"")) {
    options.exitBatchAddition = BatchValue(name);
  } else if (EqualsIgnoreAsciiCase(name, "MIN")) {
    options.startMinimized = true;
  } else if (!name.empty()) {
    return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> TokenizeCommandLine(std::string_view text) {
  // The command line is a C string on the system side; nothing after a NUL belongs to it.
  text = text.substr(0, text.find('\0'));

  std::vector<std::string> atoms;
  size_t pos = 0;
  while (atoms.size() < static_cast<size_t>(kMaxCommandLineAtoms)) {
    while (pos < text.size() && IsWhiteSpace(text[pos])) ++pos;
    std::string atom;
    while (pos < text.size() && !IsWhiteSpace(text[pos])) {
      if (text[pos] == '"') {
        // A quoted stretch, quotes and white space included, up to the closing quote or the end.
        const size_t close = text.find('"', pos + 1);
        const size_t end = close == std::string_view::npos ? text.size() : close + 1;
        atom.append(text, pos, end - pos);
        pos = end;
      } else {
        atom.push_back(text[pos++]);
      }
    }
    if (atom.empty()) break;
    atoms.push_back(std::move(atom));
  }
  return atoms;
}

bool ParseCommandLine(std::string_view text, CommandLineOptions& options, std::string& message) {
  options = CommandLineOptions();
  message.clear();
  for (const std::string& atom : TokenizeCommandLine(text)) {
    if (atom.front() != '/' && atom.front() != '-') {
      message = "Unexpected command line parameter:\n" + atom;
      return false;
    }
    const std::string_view name = std::string_view(atom).substr(1);
    if (!ApplySwitch(name, options)) {
      message = "Illegal command line atom:\n" + std::string(name);
      return false;
    }
  }
  if (options.uninstallMode && options.uninstallProductName.empty()) {
    message = "Product name required";
    return false;
  }
  return true;
}

std::string FormatUsage(std::string_view message, std::string_view programFileName) {
  std::string text;
  text.append(message);
  text.append("\r\n\r\nUsage:\r\n");
  text.append(programFileName);
  text.append(
      " [/a] [/b1:\"commands\"] [/b2:\"commands\"] [/b3:\"commands\"] [/d:\"dir\"] [/n:\"name\"]"
      " [/u:\"name\"] [/r:\"program\"]\r\n"
      "\r\n"
      "/a                  \tAutomatic mode.\r\n"
      "/d:\"dir\"        \tOverride installation directory.\r\n"
      "/b1:\"commands\"\tAdd commands to the end of the Pre-Installation Batch.\r\n"
      "/b2:\"commands\"\tAdd commands to the end of the Post-Installation Batch.\r\n"
      "/b3:\"commands\"\tAdd commands to the end of the Installation-Exit Batch.\r\n"
      "/n:\"name\"\tOverride product name.\r\n"
      "/u:\"name\"\tUninstall product by name.\r\n"
      "/r:\"program\"\tRun the specified program after a successful installation.");
  return text;
}

}  // namespace qs
