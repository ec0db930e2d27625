#pragma once
#include <string>
#include <vector>

namespace qs::builder::cli {

// Each returns the process exit code: 0 success, 1 a damaged or unusable input, 2 bad usage.
int Pack(const std::vector<std::string>& args);
// `programPath` is argv[0]: the stub is looked for beside it.
int Build(const std::vector<std::string>& args, const std::string& programPath);
int Inspect(const std::vector<std::string>& args);
int Extract(const std::vector<std::string>& args);

}  // namespace qs::builder::cli
