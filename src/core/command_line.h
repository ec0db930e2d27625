#pragma once
// The installer's switches: /a /d: /n: /u: /r: /b1: /b2: /b3: /min.
#include <string>
#include <string_view>
#include <vector>

namespace qs {

struct CommandLineOptions {
  bool automaticMode = false;
  bool uninstallMode = false;
  bool startMinimized = false;
  // The values as the parsed text holds them; the program parses the wide command line as
  // UTF-8 and then keeps them in the "|" convention (the batch additions in the ANSI code page).
  std::string installDirOverride;
  std::string productNameOverride;
  std::string uninstallProductName;
  std::string runAfterInstall;
  std::string preBatchAddition;
  std::string postBatchAddition;
  std::string exitBatchAddition;
};

inline constexpr int kMaxCommandLineAtoms = 19;

// Splits the command-line text (without the program name) into at most 19 atoms. Quoted
// stretches keep their quotes and spaces.
std::vector<std::string> TokenizeCommandLine(std::string_view text);

// Classifies the atoms. On an unusable atom returns false with the usage message to show
// ("Unexpected command line parameter:\n...", "Illegal command line atom:\n...",
// "Product name required").
bool ParseCommandLine(std::string_view text, CommandLineOptions& options, std::string& message);

// The usage text: `message` and the running program's file name (without folder).
std::string FormatUsage(std::string_view message, std::string_view programFileName);

}  // namespace qs
