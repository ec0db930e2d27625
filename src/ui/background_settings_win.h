#pragma once
// The background window's settings as the product gives them: from its settings when
// installing, from its registration (adopted into the same settings) when uninstalling.
#include <string>
#include <vector>

#include "core/product_settings.h"
#include "ui/background_layout.h"

namespace qs {

// The one place where the window's settings are read from the product's. `picture` is the .BMP
// file's bytes, empty for none.
BackgroundSettings BackgroundSettingsOf(const ProductSettings& product,
                                        std::vector<uint8_t> picture);

// The uninstaller's picture: the file the installation left in the uninstall data folder, read
// only when the product stored one (kFlagBackgroundBitmap). Empty when it is missing.
std::vector<uint8_t> StoredBackgroundPicture(std::u16string_view uninstallDir,
                                             uint64_t productFlags);

}  // namespace qs
