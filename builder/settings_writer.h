#pragma once
// Writes the settings stream that the installer reads at start-up.
#include <cstdint>
#include <string>
#include <vector>

#include "core/product_settings.h"

namespace qs::builder {

// The stream for `settings`, field by field. Values are written as given: the defaults the
// installer applies to empty fields are its own business. False with a message when a value
// cannot be stored or would be refused by the installer (a count or size out of range, a text
// with a NUL, a list end marker used as data, a text table whose size does not match).
bool WriteSettingsStream(const ProductSettings& settings, std::vector<uint8_t>& stream,
                         std::string& error);

// The same bytes without the checks, for tests that make damaged installers on purpose. Counts
// come from the list sizes; a value too wide for its field is cut to it.
std::vector<uint8_t> WriteSettingsStreamUnchecked(const ProductSettings& settings);

}  // namespace qs::builder
