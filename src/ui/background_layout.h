#pragma once
// What the background window shows and where: its settings, the gradient's bands, the
// picture's target rectangle, each text line's box and size. The window itself
// (background_window_win.cpp) only draws what these compute.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// StretchMode: how the picture covers the window.
inline constexpr int32_t kStretchToTarget = 0;   // stretched over the target rectangle
inline constexpr int32_t kStretchFit = 1;        // the picture's proportions kept
inline constexpr int32_t kStretchMultiples = 2;  // a whole multiple of its size
inline constexpr int32_t kStretchTile = 3;       // tiled at its own size

// TitlePosition and CopyrightPos.
inline constexpr int kTextHidden = 0;
inline constexpr int kTextTopLeft = 1;
inline constexpr int kTextTopCenter = 2;
inline constexpr int kTextTopRight = 3;
inline constexpr int kTextBottomLeft = 4;
inline constexpr int kTextBottomCenter = 5;
inline constexpr int kTextBottomRight = 6;

// The window's settings, set before it is created and read by its paint code alone. Colours
// are 0x00BBGGRR.
struct BackgroundSettings {
  std::u16string DisplayTitle;
  uint32_t TitleColor = 0;
  uint32_t TopColor = 0;
  uint32_t BottomColor = 0;
  bool MonoColor = false;
  std::vector<uint8_t> picture;  // a .BMP file's bytes; empty: no picture
  int32_t BitmapTPI = -1;        // the palette index drawn as transparent; -1: none
  int32_t BitmapSize = 0;        // percent of the window; 0: no picture
  int32_t StretchMode = kStretchToTarget;
  uint8_t TitleShadow = 0;  // pixels
  uint8_t TitlePosition = kTextHidden;
  bool fullScreen = false;
  std::u16string TitleFont;  // font names, comma-separated
  std::u16string TaskbarText;
  double TitleSize = 0;  // times 26 points
  uint8_t CopyrightPos = kTextHidden;
  std::u16string CopyrightText;
  uint32_t CopyrightColor = 0;
  double CopyrightSize = 0;  // times 16 points
  std::u16string CopyrightFont;
};

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

struct Size {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const Size&) const = default;
};

// ---- the gradient drawn by hand, where the system's gradient fill is missing ----

// The bands' height: the client height / 224, from 1 to 3 pixels.
int32_t GradientBandHeight(int32_t clientHeight);

struct GradientBand {
  int32_t top = 0;
  int32_t bottom = 0;
  uint32_t color = 0;
  bool operator==(const GradientBand&) const = default;
};

// Bands from the top of the client area to its bottom, the first in `top`, the last in
// `bottom`, the ones between stepped linearly per channel.
std::vector<GradientBand> GradientBands(int32_t clientHeight, uint32_t top, uint32_t bottom);

// ---- the picture ----

// Where the picture is stretched to in modes 0-2: the client area scaled to `percent` and
// centred, then fitted to the picture as the mode says (mode 2 falls back on mode 1 when not
// even one copy fits). Any other mode but 1 and 2 takes the scaled rectangle as it is.
Rect PictureTarget(Size client, Size picture, int32_t percent, int32_t mode);

// Mode 3: the picture at its size from the top left corner, in as many columns and rows as
// cover the client area.
std::vector<Rect> PictureTiles(Size client, Size picture);

// ---- the title and the copyright line ----

enum class TextAlign { kLeft, kCenter, kRight };

struct TextPlacement {
  Rect box;  // where the text is drawn; its shadow lies `shadow` pixels right and down of it
  TextAlign align = TextAlign::kLeft;
};

// The margins: 1/200 of the client width across, 1/400 of its height down.
Size TextMargins(Size client);

// The box of a text line of `textHeight` pixels at `position` 1-6.
TextPlacement PlaceText(Size client, int position, int32_t shadow, int32_t textHeight);

// The names of a comma-separated list of font names, trimmed of spaces, empty ones left out.
std::vector<std::u16string_view> FontNames(std::u16string_view list);

// The first name of the list for which `installed(name)` says yes, else "Arial".
template <typename Installed>
std::u16string ChooseFontFace(std::u16string_view list, Installed&& installed) {
  for (std::u16string_view name : FontNames(list)) {
    if (installed(name)) return std::u16string(name);
  }
  return u"Arial";
}

// A font's height in pixels at `points` on a screen of `pixelsPerInch`.
int32_t FontHeight(int32_t pixelsPerInch, double points);

// The size a line is drawn at: from `points` one point smaller at a time while its width
// (`measure` of a size) with the margin and the shadow does not stay below the client width;
// at 6 points or less it is taken as it is.
template <typename Measure>
double FittingPoints(double points, int32_t clientWidth, int32_t margin, int32_t shadow,
                     Measure&& measure) {
  while (points > 6) {
    if (int64_t{measure(points)} + margin + shadow < clientWidth) break;
    points -= 1;
  }
  return points;
}

}  // namespace qs
