#pragma once
#include <string>
#include <vector>

namespace qs::builder::cli {

// Each returns the process exit code: 0 success, 1 a damaged or unusable input, 2 bad usage.
int Pack(const std::vector<std::string>& args);
int Inspect(const std::vector<std::string>& args);
int Extract(const std::vector<std::string>& args);

}  // namespace qs::builder::cli
