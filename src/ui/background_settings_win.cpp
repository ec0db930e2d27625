#include "ui/background_settings_win.h"

#include "base/file_win.h"
#include "base/text_win.h"
#include "core/product_flags.h"
#include "core/target_path.h"
#include "uninstall/uninstaller_copy_win.h"

namespace qs {
namespace {

// A picture larger than this is not read (the window would not draw it either).
constexpr uint64_t kMaxPictureFileSize = 256ull << 20;

}  // namespace

BackgroundSettings BackgroundSettingsOf(const ProductSettings& product,
                                        std::vector<uint8_t> picture) {
  BackgroundSettings s;
  s.DisplayTitle = product.DisplayTitle;
  s.TitleColor = product.TitleColor;
  s.TopColor = product.TopColor;
  s.BottomColor = product.BottomColor;
  s.MonoColor = product.MonoColor();
  s.picture = std::move(picture);
  s.BitmapTPI = static_cast<int32_t>(product.BitmapTPI);  // 0xFFFFFFFF: none
  s.BitmapSize = product.BitmapSize;
  s.StretchMode = product.StretchMode;
  s.TitleShadow = product.TitleShadow;
  s.TitlePosition = product.TitlePosition;
  s.fullScreen = (product.ProductFlags & kFlagFullScreenBackground) != 0;
  s.TitleFont = product.TitleFont;
  s.TaskbarText = product.TaskbarText;
  s.TitleSize = product.TitleSize;
  s.CopyrightPos = product.CopyrightPos;
  s.CopyrightText = product.CopyrightText;
  s.CopyrightColor = product.CopyrightColor;
  s.CopyrightSize = product.CopyrightSize;
  s.CopyrightFont = product.CopyrightFont;
  return s;
}

std::vector<uint8_t> StoredBackgroundPicture(std::u16string_view uninstallDir,
                                             uint64_t productFlags) {
  if ((productFlags & kFlagBackgroundBitmap) == 0) return {};
  const std::u16string path = JoinPath(uninstallDir, kBackgroundPictureFile);
  std::string content;
  if (!ReadWholeFile(std::wstring(AsWide(path)), content, kMaxPictureFileSize)) return {};
  return std::vector<uint8_t>(content.begin(), content.end());
}

}  // namespace qs
