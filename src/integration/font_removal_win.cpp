// The product's fonts removed: the entry of the system's font list, the font loaded in the
// session and the file in the fonts folder.
#include <windows.h>

#include "base/file_redirection_win.h"
#include "base/registry_delete_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "core/install_steps_win.h"
#include "core/product_win.h"
#include "files/deferred_operations_win.h"
#include "files/os_name_win.h"
#include "integration/integration_removal_win.h"
#include "integration/shell_folders_win.h"
#include "ui/messages_win.h"
#include "uninstall/uninstall_key.h"

namespace qs {
namespace {

constexpr wchar_t kNtFontsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr wchar_t k9xFontsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
// How long each top-level window may take to answer the font change.
constexpr UINT kBroadcastTimeoutMs = 1000;

const wchar_t* FontsKey() {
  return RunningSystem().platform == OsPlatform::kWindowsNt ? kNtFontsKey : k9xFontsKey;
}

// The font's file in the fonts folder. Only the name part of the recorded file is used, so a
// damaged record cannot point the uninstaller at a file elsewhere; empty for no name.
std::wstring FontFilePath(std::string_view file) {
  std::wstring name = Widen(file);
  const size_t separator = name.find_last_of(L"\\/:");
  if (separator != std::wstring::npos) name.erase(0, separator + 1);
  if (name.empty() || name == L"." || name == L"..") return {};
  std::wstring folder = FontDir();
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder + name;
}

void RemoveFont(const std::wstring& registeredName, const ProductFont& font) {
  // An empty name would be the font list's own default value.
  if (!registeredName.empty()) DeleteRegistryValue(HKEY_LOCAL_MACHINE, FontsKey(), registeredName);
  const std::wstring path = FontFilePath(font.file);
  if (path.empty()) return;
  ::RemoveFontResourceW(Redirected(path));
  DeleteFileWithOptions(path, kDeleteMissingIsSuccess);
}

}  // namespace

std::string RemoveProductFonts(std::string_view productFonts, const FontRemovalOptions& options) {
  std::vector<ProductFont> kept;
  bool removedAny = false;
  for (const ProductFont& font : ParseProductFonts(productFonts)) {
    const std::wstring registeredName(AsWide(Utf8ToUtf16(font.name)));
    if (options.ask &&
        !AskYesNo(TextWith(kTextRemoveFontQuestion, {std::u16string_view(AsU16(registeredName))}),
                  GetText(kTextRemoveFontCaption))) {
      kept.push_back(font);
      continue;
    }
    RemoveFont(registeredName, font);
    removedAny = true;
  }
  if (removedAny) {
    ::SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG,
                          kBroadcastTimeoutMs, nullptr);
  }
  return FormatProductFonts(kept);
}

}  // namespace qs
