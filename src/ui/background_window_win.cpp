#include "ui/background_window_win.h"

#include <string>
#include <vector>

#include "base/fatal.h"
#include "base/handle_win.h"
#include "base/system_error_win.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "core/installer_state_win.h"
#include "ui/resources/resource_ids.h"

namespace qs {
namespace {

constexpr wchar_t kClassName[] = L"SEA Window Class";

// The settings of the window, and its picture decoded once from them.
struct Background {
  BackgroundSettings settings;
  BackgroundPicture picture;
};

Background& Current() {
  static Background background;
  return background;
}

void Adopt(const BackgroundSettings& settings) {
  Background& background = Current();
  background.settings = settings;
  background.picture = DecodeBackgroundPicture(settings.picture, settings.BitmapTPI);
}

// Puts an object into a device context for as long as it lives, then the one it replaced.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~Selection() { ::SelectObject(dc_, old_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

void FillSolid(HDC dc, const RECT& rect, uint32_t color) {
  UniqueBrush brush(::CreateSolidBrush(color));
  ::FillRect(dc, &rect, brush.Get());
}

using GradientFillFunction = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// msimg32.dll is loaded at the first gradient, from the system folder, and kept for the run;
// without it (or its function) the bands are drawn by hand.
GradientFillFunction SystemGradientFill() {
  static bool loaded = false;
  static UniqueModule library;
  static GradientFillFunction function = nullptr;
  if (!loaded) {
    loaded = true;
    library = LoadSystemLibrary(L"msimg32.dll");
    function = LibraryFunction<GradientFillFunction>(library, "GradientFill");
  }
  return function;
}

TRIVERTEX Vertex(LONG x, LONG y, uint32_t color) {
  TRIVERTEX vertex = {};
  vertex.x = x;
  vertex.y = y;
  vertex.Red = static_cast<COLOR16>(GetRValue(color) << 8);
  vertex.Green = static_cast<COLOR16>(GetGValue(color) << 8);
  vertex.Blue = static_cast<COLOR16>(GetBValue(color) << 8);
  return vertex;
}

bool FillGradientBySystem(HDC dc, const RECT& client, uint32_t top, uint32_t bottom) {
  GradientFillFunction fill = SystemGradientFill();
  if (fill == nullptr) return false;
  TRIVERTEX vertices[2] = {Vertex(client.left, client.top, top),
                           Vertex(client.right, client.bottom, bottom)};
  GRADIENT_RECT rect = {0, 1};
  return fill(dc, vertices, 2, &rect, 1, GRADIENT_FILL_RECT_V) != FALSE;
}

Size SizeOf(const RECT& rect) {
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void DrawPicture(HDC dc, const RECT& client, const BackgroundSettings& settings,
                 const BackgroundPicture& picture) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const auto blit = [&](const Rect& r, const std::vector<uint32_t>& bits, DWORD operation) {
    ::StretchDIBits(dc, client.left + r.left, client.top + r.top, r.Width(), r.Height(), 0, 0,
                    picture.width, picture.height, bits.data(), &info, DIB_RGB_COLORS, operation);
  };
  // Through the mask, the transparent pixels keep what is below them: the AND leaves them and
  // blackens the rest, the OR then adds the image, which is black where they are.
  const auto draw = [&](const Rect& r) {
    if (picture.mask.empty()) {
      blit(r, picture.pixels, SRCCOPY);
    } else {
      blit(r, picture.mask, SRCAND);
      blit(r, picture.pixels, SRCPAINT);
    }
  };
  // Halftone stretching would blend the mask's edges into grey.
  ::SetStretchBltMode(dc, COLORONCOLOR);
  const Size pictureSize{picture.width, picture.height};
  if (settings.StretchMode == kStretchTile) {
    for (const Rect& tile : PictureTiles(SizeOf(client), pictureSize)) draw(tile);
  } else {
    draw(PictureTarget(SizeOf(client), pictureSize, settings.BitmapSize, settings.StretchMode));
  }
}

int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontInstalled(HDC dc, std::u16string_view name) {
  if (name.size() >= LF_FACESIZE) return false;
  LOGFONTW query = {};
  query.lfCharSet = DEFAULT_CHARSET;
  name.copy(reinterpret_cast<char16_t*>(query.lfFaceName), name.size());
  bool found = false;
  ::EnumFontFamiliesExW(dc, &query, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

UniqueFont MakeFont(HDC dc, const std::u16string& face, double points) {
  const int height = FontHeight(::GetDeviceCaps(dc, LOGPIXELSY), points);
  return UniqueFont(::CreateFontW(height, 0, 0, 0, FW_HEAVY, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, AsWide(face).data()));
}

SIZE Measure(HDC dc, HFONT font, std::wstring_view text) {
  Selection selection(dc, font);
  SIZE size = {};
  ::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

UINT AlignStyle(TextAlign align) {
  switch (align) {
    case TextAlign::kCenter:
      return DT_CENTER;
    case TextAlign::kRight:
      return DT_RIGHT;
    case TextAlign::kLeft:
      break;
  }
  return DT_LEFT;
}

// One text line at its position, shrunk until it fits across the window. The black copy is
// drawn whenever the title has a shadow, `shadow` pixels off (the copyright line's 0).
void DrawBackgroundText(HDC dc, const RECT& client, std::u16string_view text,
                        std::u16string_view fonts, double points, uint32_t color, int position,
                        int shadow, bool blackCopy) {
  if (text.empty() || position == kTextHidden) return;
  const Size size = SizeOf(client);
  const Size margin = TextMargins(size);
  const std::u16string face =
      ChooseFontFace(fonts, [dc](std::u16string_view name) { return FontInstalled(dc, name); });
  const std::wstring_view wide = AsWide(text);
  UniqueFont font;
  points = FittingPoints(points, size.width, margin.width, shadow, [&](double at) {
    font = MakeFont(dc, face, at);
    return static_cast<int32_t>(Measure(dc, font.Get(), wide).cx);
  });
  // The loop made the font of the size it ended on, unless it stopped at once below 7 points.
  if (!font || points <= 6) font = MakeFont(dc, face, points);
  const TextPlacement placement =
      PlaceText(size, position, shadow, Measure(dc, font.Get(), wide).cy);
  RECT box = {client.left + placement.box.left, client.top + placement.box.top,
              client.left + placement.box.right, client.top + placement.box.bottom};
  const UINT style = AlignStyle(placement.align) | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;
  Selection selection(dc, font.Get());
  ::SetBkMode(dc, TRANSPARENT);
  if (blackCopy) {
    RECT shifted = box;
    ::OffsetRect(&shifted, shadow, shadow);
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::DrawTextW(dc, wide.data(), static_cast<int>(wide.size()), &shifted, style);
  }
  ::SetTextColor(dc, color);
  ::DrawTextW(dc, wide.data(), static_cast<int>(wide.size()), &box, style);
}

LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      ::GetClientRect(window, &client);
      EraseBackground(reinterpret_cast<HDC>(wParam), client, Current().settings, Current().picture);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window, &paint);
      RECT client;
      ::GetClientRect(window, &client);
      PaintBackgroundTexts(dc, client, Current().settings);
      ::EndPaint(window, &paint);
      return 0;
    }
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

[[noreturn]] void WindowFailed() {
  const DWORD error = ::GetLastError();
  FatalError(
      "Failed to create the installer's window.  Please reboot your machine and try again."
      "\r\n\r\nError code %d: %s",
      static_cast<int>(error), SystemErrorText(error).c_str());
}

void RegisterBackgroundClass(HINSTANCE instance) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSW windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = BackgroundWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kProgramIconId));
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  if (::RegisterClassW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    WindowFailed();
  }
  registered = true;
}

}  // namespace

void FillGradientInBands(HDC dc, const RECT& client, uint32_t top, uint32_t bottom) {
  for (const GradientBand& band : GradientBands(client.bottom - client.top, top, bottom)) {
    const RECT rect = {client.left, client.top + band.top, client.right, client.top + band.bottom};
    FillSolid(dc, rect, band.color);
  }
}

void EraseBackground(HDC dc, const RECT& client, const BackgroundSettings& settings,
                     const BackgroundPicture& picture) {
  if (settings.MonoColor) {
    FillSolid(dc, client, settings.TopColor);
  } else if (!FillGradientBySystem(dc, client, settings.TopColor, settings.BottomColor)) {
    FillGradientInBands(dc, client, settings.TopColor, settings.BottomColor);
  }
  if (picture.width > 0 && settings.BitmapSize > 0) DrawPicture(dc, client, settings, picture);
}

void PaintBackgroundTexts(HDC dc, const RECT& client, const BackgroundSettings& settings) {
  const bool shadow = settings.TitleShadow != 0;
  DrawBackgroundText(dc, client, settings.DisplayTitle, settings.TitleFont, settings.TitleSize * 26,
                     settings.TitleColor, settings.TitlePosition, settings.TitleShadow, shadow);
  DrawBackgroundText(dc, client, settings.CopyrightText, settings.CopyrightFont,
                     settings.CopyrightSize * 16, settings.CopyrightColor, settings.CopyrightPos, 0,
                     shadow);
}

HWND OpenBackgroundWindow(const BackgroundSettings& settings, bool startMinimised) {
  Adopt(settings);
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  RegisterBackgroundClass(instance);

  RECT area = {};
  const bool maximised =
      settings.fullScreen || ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) == FALSE;
  if (maximised) area = {0, 0, 1, 1};
  HWND window = ::CreateWindowExW(0, kClassName, AsWide(settings.TaskbarText).data(), WS_POPUP,
                                  area.left, area.top, area.right - area.left,
                                  area.bottom - area.top, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) WindowFailed();
  GetInstallerState().backgroundWindow = window;

  ::ShowWindow(window, SW_HIDE);
  ::ShowWindow(window, maximised ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  if (startMinimised) ::ShowWindow(window, SW_MINIMIZE);
  ::BringWindowToTop(window);
  ::SetActiveWindow(window);
  ::RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
  return window;
}

void UpdateBackgroundWindow(const BackgroundSettings& settings) {
  Adopt(settings);
  HWND window = GetInstallerState().backgroundWindow;
  if (window == nullptr) return;
  ::SetWindowTextW(window, AsWide(settings.TaskbarText).data());
  ::RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
}

void CloseBackgroundWindow() {
  InstallerState& state = GetInstallerState();
  if (state.backgroundWindow == nullptr) return;
  ::ShowWindow(state.backgroundWindow, SW_MINIMIZE);
  ::DestroyWindow(state.backgroundWindow);
  state.backgroundWindow = nullptr;
}

}  // namespace qs
