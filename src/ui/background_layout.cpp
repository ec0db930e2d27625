#include "ui/background_layout.h"

#include <algorithm>

namespace qs {
namespace {

uint32_t Channel(uint32_t color, int shift) {
  return (color >> shift) & 0xFF;
}

// Centres a rectangle of `size` in `outer`.
Rect CenteredIn(const Rect& outer, Size size) {
  Rect r;
  r.left = outer.left + (outer.Width() - size.width) / 2;
  r.top = outer.top + (outer.Height() - size.height) / 2;
  r.right = r.left + size.width;
  r.bottom = r.top + size.height;
  return r;
}

// The largest rectangle of the picture's proportions inside `target`, centred.
Rect FittedTo(const Rect& target, Size picture) {
  const int64_t width = target.Width();
  const int64_t height = target.Height();
  Size fitted{target.Width(), target.Height()};
  if (width * picture.height > height * picture.width) {
    fitted.width = static_cast<int32_t>(height * picture.width / picture.height);
  } else {
    fitted.height = static_cast<int32_t>(width * picture.height / picture.width);
  }
  return CenteredIn(target, fitted);
}

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

int32_t GradientBandHeight(int32_t clientHeight) {
  return std::clamp(clientHeight / 224, 1, 3);
}

std::vector<GradientBand> GradientBands(int32_t clientHeight, uint32_t top, uint32_t bottom) {
  std::vector<GradientBand> bands;
  if (clientHeight <= 0) return bands;
  const int32_t height = GradientBandHeight(clientHeight);
  const int32_t count = (clientHeight + height - 1) / height;
  bands.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    uint32_t color = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const int64_t from = Channel(top, shift);
      const int64_t to = Channel(bottom, shift);
      const int64_t value = count == 1 ? from : from + (to - from) * i / (count - 1);
      color |= static_cast<uint32_t>(value) << shift;
    }
    bands.push_back({i * height, std::min(clientHeight, (i + 1) * height), color});
  }
  return bands;
}

Rect PictureTarget(Size client, Size picture, int32_t percent, int32_t mode) {
  const Rect whole{0, 0, client.width, client.height};
  const Size scaled{static_cast<int32_t>(int64_t{client.width} * percent / 100),
                    static_cast<int32_t>(int64_t{client.height} * percent / 100)};
  const Rect target = CenteredIn(whole, scaled);
  if (picture.width <= 0 || picture.height <= 0) return target;
  if (mode == kStretchMultiples) {
    const int32_t times =
        std::min(target.Width() / picture.width, target.Height() / picture.height);
    if (times >= 1) return CenteredIn(target, {picture.width * times, picture.height * times});
    return FittedTo(target, picture);
  }
  if (mode == kStretchFit) return FittedTo(target, picture);
  return target;
}

std::vector<Rect> PictureTiles(Size client, Size picture) {
  std::vector<Rect> tiles;
  if (picture.width <= 0 || picture.height <= 0) return tiles;
  const int32_t columns = (client.width + picture.width - 1) / picture.width;
  const int32_t rows = (client.height + picture.height - 1) / picture.height;
  for (int32_t row = 0; row < rows; ++row) {
    for (int32_t column = 0; column < columns; ++column) {
      const int32_t left = column * picture.width;
      const int32_t top = row * picture.height;
      tiles.push_back({left, top, left + picture.width, top + picture.height});
    }
  }
  return tiles;
}

Size TextMargins(Size client) {
  return {client.width / 200, client.height / 400};
}

TextPlacement PlaceText(Size client, int position, int32_t shadow, int32_t textHeight) {
  const Size margin = TextMargins(client);
  TextPlacement placement;
  switch (position) {
    case kTextTopCenter:
    case kTextBottomCenter:
      placement.align = TextAlign::kCenter;
      break;
    case kTextTopRight:
    case kTextBottomRight:
      placement.align = TextAlign::kRight;
      break;
    default:
      placement.align = TextAlign::kLeft;
      break;
  }
  Rect& box = placement.box;
  box.left = margin.width;
  box.right = box.left + client.width - 2 * (shadow + margin.width);
  box.top = position >= kTextBottomLeft ? client.height - textHeight - margin.height - shadow
                                        : margin.height;
  box.bottom = box.top + textHeight;
  return placement;
}

std::vector<std::u16string_view> FontNames(std::u16string_view list) {
  std::vector<std::u16string_view> names;
  while (!list.empty()) {
    const size_t comma = list.find(u',');
    std::u16string_view name = list.substr(0, comma);
    list = comma == std::u16string_view::npos ? std::u16string_view() : list.substr(comma + 1);
    while (!name.empty() && IsSpace(name.front())) name.remove_prefix(1);
    while (!name.empty() && IsSpace(name.back())) name.remove_suffix(1);
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

int32_t FontHeight(int32_t pixelsPerInch, double points) {
  return static_cast<int32_t>(pixelsPerInch * points / 72);
}

}  // namespace qs
