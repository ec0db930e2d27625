// The background window as it draws: its paint code into a bitmap of a chosen size, read back
// pixel by pixel, and the real window over the work area.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/handle_win.h"
#include "core/installer_state_win.h"
#include "tests/support/bmp_fixture.h"
#include "ui/background_window_win.h"

namespace qs {
namespace {

using test_support::Bmp;

constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Whether two colours differ by at most `tolerance` in each channel.
bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string Hex(COLORREF color) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(color), GetGValue(color),
                GetBValue(color));
  return text;
}

// A 32-bit bitmap in a memory device context, which the paint code draws into as into the
// window.
class Canvas {
 public:
  Canvas(int width, int height) : client_{0, 0, width, height} {
    UniqueMemoryDc screen(::CreateCompatibleDC(nullptr));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.Reset(::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    dc_ = std::move(screen);
    old_ = ::SelectObject(dc_.Get(), bitmap_.Get());
  }
  ~Canvas() { ::SelectObject(dc_.Get(), old_); }

  void Draw(const BackgroundSettings& settings) {
    const BackgroundPicture picture = DecodeBackgroundPicture(settings.picture, settings.BitmapTPI);
    EraseBackground(dc_.Get(), client_, settings, picture);
    PaintBackgroundTexts(dc_.Get(), client_, settings);
    ::GdiFlush();
  }

  COLORREF At(int x, int y) const { return ::GetPixel(dc_.Get(), x, y); }

  // How many pixels of `color` lie in [left, right) x [top, bottom).
  int Count(COLORREF color, int left, int top, int right, int bottom) const {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) count += At(x, y) == color ? 1 : 0;
    }
    return count;
  }
  // The rightmost column holding `color`, or -1.
  int RightmostOf(COLORREF color) const {
    for (int x = client_.right - 1; x >= 0; --x) {
      for (int y = 0; y < client_.bottom; ++y) {
        if (At(x, y) == color) return x;
      }
    }
    return -1;
  }

  HDC Dc() const { return dc_.Get(); }
  const RECT& Client() const { return client_; }

 private:
  RECT client_;
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ old_ = nullptr;
};

BackgroundSettings Gradient() {
  BackgroundSettings settings;
  settings.TopColor = kBlue;
  settings.BottomColor = kRed;
  return settings;
}

BackgroundSettings Plain(COLORREF color) {
  BackgroundSettings settings;
  settings.TopColor = color;
  settings.BottomColor = kRed;  // unused: a single colour
  settings.MonoColor = true;
  return settings;
}

constexpr COLORREF kYellow = RGB(255, 255, 0);

// 2 x 2 at 8 bits: yellow on the diagonal, palette index 1 (green) off it.
std::vector<uint8_t> Checkers() {
  return Bmp(2, 2, 8, {0xFFFF00 /* yellow */, 0x00FF00 /* green */},
             {/* bottom */ 1, 0, 0, 0, /* top */ 0, 1, 0, 0});
}

TEST(BackgroundWindowPaint, GradientRunsFromTheTopColourToTheBottomColour) {
  Canvas canvas(448, 300);
  canvas.Draw(Gradient());
  // The system's gradient fill; its last row is one step short of the bottom colour.
  EXPECT_TRUE(Near(canvas.At(10, 0), kBlue, 2)) << Hex(canvas.At(10, 0));
  EXPECT_TRUE(Near(canvas.At(440, 299), kRed, 4)) << Hex(canvas.At(440, 299));
  EXPECT_TRUE(Near(canvas.At(200, 150), RGB(100, 0, 100), 4)) << Hex(canvas.At(200, 150));
}

TEST(BackgroundWindowPaint, BandsByHandEndExactlyAtBothColours) {
  Canvas canvas(100, 448);  // bands of 2 pixels
  FillGradientInBands(canvas.Dc(), canvas.Client(), kBlue, kRed);
  ::GdiFlush();
  EXPECT_EQ(canvas.At(0, 0), kBlue);
  EXPECT_EQ(canvas.At(50, 447), kRed);
  // Band 112 of 224, half way.
  EXPECT_EQ(canvas.At(99, 224), RGB(100, 0, 100)) << Hex(canvas.At(99, 224));
  for (int y = 0; y < 448; y += 2) {
    ASSERT_EQ(canvas.At(0, y), canvas.At(99, y + 1)) << y;  // two rows of one colour
  }
}

TEST(BackgroundWindowPaint, MonoColorFillsWithTheTopColourAlone) {
  Canvas canvas(200, 100);
  canvas.Draw(Plain(kBlue));
  EXPECT_EQ(canvas.Count(kBlue, 0, 0, 200, 100), 200 * 100);
}

// The transparent index shows what is below the picture: the gradient, stretched over the whole
// window, and in tiles of the picture's own size.
TEST(BackgroundWindowPaint, TransparentIndexShowsTheGradientThrough) {
  BackgroundSettings settings = Gradient();
  settings.picture = Checkers();
  settings.BitmapTPI = 1;
  settings.BitmapSize = 100;

  settings.StretchMode = kStretchToTarget;
  Canvas stretched(400, 300);
  stretched.Draw(settings);
  // Each picture pixel covers a 200 x 150 quarter.
  EXPECT_EQ(stretched.At(100, 75), kYellow) << Hex(stretched.At(100, 75));
  EXPECT_EQ(stretched.At(300, 225), kYellow) << Hex(stretched.At(300, 225));
  // Off the diagonal the gradient: blue at the top right, red-ish at the bottom left; no green.
  EXPECT_TRUE(Near(stretched.At(390, 2), kBlue, 4)) << Hex(stretched.At(390, 2));
  EXPECT_TRUE(Near(stretched.At(10, 297), kRed, 6)) << Hex(stretched.At(10, 297));
  EXPECT_EQ(stretched.Count(kGreen, 0, 0, 400, 300), 0);

  settings.StretchMode = kStretchTile;
  Canvas tiled(9, 448);
  tiled.Draw(settings);
  for (int x = 0; x < 9; ++x) {
    SCOPED_TRACE(x);
    EXPECT_EQ(tiled.At(x, x % 2 == 0 ? 0 : 1), kYellow);  // the diagonal of each tile
    EXPECT_TRUE(Near(tiled.At(x, x % 2 == 0 ? 1 : 0), kBlue, 2));
  }
  // The part tile at the bottom right corner: its top left pixel, and the gradient beside it.
  EXPECT_EQ(tiled.At(8, 446), kYellow);
  EXPECT_TRUE(Near(tiled.At(8, 447), kRed, 4)) << Hex(tiled.At(8, 447));
  EXPECT_EQ(tiled.Count(kGreen, 0, 0, 9, 448), 0);

  // Without the transparent index the green is drawn; BitmapSize 0 draws no picture at all.
  settings.BitmapTPI = -1;
  tiled.Draw(settings);
  EXPECT_EQ(tiled.At(1, 0), kGreen);
  settings.BitmapSize = 0;
  settings.MonoColor = true;
  tiled.Draw(settings);
  EXPECT_EQ(tiled.Count(kBlue, 0, 0, 9, 448), 9 * 448);
}

// The title in its colour lies in the corner of its position and nowhere else; position 0
// hides it.
TEST(BackgroundWindowPaint, TitleAtItsPosition) {
  struct Case {
    uint8_t position;
    RECT inside;  // where the title is
    RECT away;    // where none of it is
  };
  const Case cases[] = {
      {kTextTopLeft, {0, 0, 200, 80}, {200, 80, 400, 300}},
      {kTextTopRight, {200, 0, 400, 80}, {0, 80, 200, 300}},
      {kTextBottomCenter, {100, 200, 300, 300}, {0, 0, 400, 200}},
      {kTextBottomRight, {200, 200, 400, 300}, {0, 0, 200, 220}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.position));
    BackgroundSettings settings = Plain(kBlue);
    settings.DisplayTitle = u"Title";
    settings.TitleFont = u"No Such Font, Also Missing";
    settings.TitleSize = 1.0;
    settings.TitleColor = kWhite;
    settings.TitleShadow = 2;
    settings.TitlePosition = c.position;
    Canvas canvas(400, 300);
    canvas.Draw(settings);
    EXPECT_GT(canvas.Count(kWhite, c.inside.left, c.inside.top, c.inside.right, c.inside.bottom),
              20);
    EXPECT_EQ(canvas.Count(kWhite, c.away.left, c.away.top, c.away.right, c.away.bottom), 0);
    // The shadow: black pixels beside the white ones.
    EXPECT_GT(canvas.Count(RGB(0, 0, 0), 0, 0, 400, 300), 0);
  }

  BackgroundSettings hidden = Plain(kBlue);
  hidden.DisplayTitle = u"Title";
  hidden.TitleSize = 1.0;
  hidden.TitleColor = kWhite;
  hidden.TitleShadow = 2;
  hidden.TitlePosition = kTextHidden;
  Canvas canvas(400, 300);
  canvas.Draw(hidden);
  EXPECT_EQ(canvas.Count(kBlue, 0, 0, 400, 300), 400 * 300);
}

TEST(BackgroundWindowPaint, ATitleTooWideIsDrawnSmallerUntilItFits) {
  BackgroundSettings settings = Plain(kBlue);
  settings.DisplayTitle = u"A title far too long for a narrow window at twenty-six points";
  settings.TitleSize = 1.0;
  settings.TitleColor = kWhite;
  settings.TitlePosition = kTextTopLeft;
  Canvas canvas(600, 200);
  canvas.Draw(settings);
  const int right = canvas.RightmostOf(kWhite);
  EXPECT_GT(right, 300);
  EXPECT_LT(right, 600 - 600 / 200);
}

TEST(BackgroundWindowPaint, CopyrightLineWithoutShadowOffset) {
  BackgroundSettings settings = Plain(kBlue);
  settings.CopyrightText = u"(c) Maker";
  settings.CopyrightSize = 1.0;
  settings.CopyrightColor = kGreen;
  settings.CopyrightPos = kTextBottomLeft;
  Canvas canvas(400, 300);
  canvas.Draw(settings);
  EXPECT_GT(canvas.Count(kGreen, 0, 240, 200, 300), 10);
  EXPECT_EQ(canvas.Count(kGreen, 0, 0, 400, 240), 0);
  settings.CopyrightPos = kTextHidden;
  canvas.Draw(settings);
  EXPECT_EQ(canvas.Count(kGreen, 0, 0, 400, 300), 0);
}

// The real window: a pop-up over the work area with the product's caption, painted by its own
// procedure, the owner that InstallerState keeps until it is closed.
TEST(BackgroundWindow, OpensOverTheWorkAreaAndCloses) {
  BackgroundSettings settings = Plain(RGB(10, 120, 30));
  settings.TaskbarText = u"Background \u00C9 Setup";
  HWND window = OpenBackgroundWindow(settings, false);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetInstallerState().backgroundWindow, window);

  wchar_t text[64] = {};
  ::GetClassNameW(window, text, 64);
  EXPECT_STREQ(text, L"SEA Window Class");
  ::GetWindowTextW(window, text, 64);
  EXPECT_STREQ(text, L"Background \u00C9 Setup");
  const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_NE(style & WS_POPUP, 0);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
  RECT area = {};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
  RECT rect = {};
  ::GetWindowRect(window, &rect);
  EXPECT_TRUE(::EqualRect(&rect, &area))
      << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_FALSE(::IsIconic(window));

  // Its pixels, as it paints itself into a bitmap.
  Canvas canvas(rect.right - rect.left, rect.bottom - rect.top);
  ASSERT_TRUE(::PrintWindow(window, canvas.Dc(), 0));
  ::GdiFlush();
  EXPECT_EQ(canvas.At(5, 5), RGB(10, 120, 30)) << Hex(canvas.At(5, 5));
  EXPECT_EQ(canvas.At(rect.right - rect.left - 5, rect.bottom - rect.top - 5), RGB(10, 120, 30));

  CloseBackgroundWindow();
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(GetInstallerState().backgroundWindow, nullptr);
}

TEST(BackgroundWindow, MinimisedAndFullScreen) {
  BackgroundSettings settings = Plain(kBlue);
  HWND minimised = OpenBackgroundWindow(settings, true);
  EXPECT_TRUE(::IsIconic(minimised));
  CloseBackgroundWindow();

  settings.fullScreen = true;
  HWND maximised = OpenBackgroundWindow(settings, false);
  EXPECT_TRUE(::IsZoomed(maximised));
  CloseBackgroundWindow();
}

}  // namespace
}  // namespace qs
