// The background window's geometry: the hand-drawn gradient, the picture's place in each
// stretch mode, the text lines' boxes and sizes.
#include "ui/background_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace qs {
namespace {

TEST(BackgroundGradient, BandsAreAFewPixelsHighWhateverTheWindow) {
  struct Case {
    int32_t clientHeight;
    int32_t bandHeight;
  };
  const Case cases[] = {{1, 1}, {223, 1}, {448, 2}, {671, 2}, {672, 3}, {1080, 3}, {4000, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clientHeight);
    EXPECT_EQ(GradientBandHeight(c.clientHeight), c.bandHeight);
  }
}

TEST(BackgroundGradient, BandsRunFromTheTopColourToTheBottomColourPerChannel) {
  // Red falls, green rises, blue stays: each channel steps on its own, with no carry between.
  const std::vector<GradientBand> bands = GradientBands(600, 0x004000FF, 0x0040FF00);
  ASSERT_EQ(bands.size(), 300u);  // 600 / 224 = 2 pixels each
  EXPECT_EQ(bands.front(), (GradientBand{0, 2, 0x004000FF}));
  EXPECT_EQ(bands.back(), (GradientBand{598, 600, 0x0040FF00}));
  for (size_t i = 1; i < bands.size(); ++i) {
    EXPECT_EQ(bands[i].top, bands[i - 1].bottom);
    EXPECT_LE(bands[i].color & 0xFF, bands[i - 1].color & 0xFF);
    EXPECT_GE(bands[i].color & 0xFF00, bands[i - 1].color & 0xFF00);
    EXPECT_EQ(bands[i].color & 0xFF0000, 0x400000u);
  }
  // Half way down, each channel is half way (rounded towards the top colour).
  EXPECT_EQ(bands[150].color, 0x00407F80);
}

TEST(BackgroundGradient, ALastBandCutShortAndTinyWindows) {
  // 673 pixels in bands of 3: the last band is one pixel, and still the bottom colour.
  std::vector<GradientBand> bands = GradientBands(673, 0x000000, 0xFFFFFF);
  ASSERT_EQ(bands.size(), 225u);
  EXPECT_EQ(bands.back(), (GradientBand{672, 673, 0xFFFFFF}));
  // One band: the top colour.
  EXPECT_EQ(GradientBands(1, 0x123456, 0x654321), (std::vector<GradientBand>{{0, 1, 0x123456}}));
  EXPECT_TRUE(GradientBands(0, 0, 0).empty());
}

TEST(BackgroundPicture, TargetRectangleOfEachStretchMode) {
  struct Case {
    const char* name;
    Size client;
    Size picture;
    int32_t percent;
    int32_t mode;
    Rect target;
  };
  const Case cases[] = {
      {"stretch: the whole window", {800, 600}, {100, 50}, 100, kStretchToTarget, {0, 0, 800, 600}},
      {"stretch at half size, centred",
       {800, 600},
       {100, 50},
       50,
       kStretchToTarget,
       {200, 150, 600, 450}},
      {"fit a wide picture: full width",
       {800, 600},
       {100, 50},
       100,
       kStretchFit,
       {0, 100, 800, 500}},
      {"fit a tall picture: full height",
       {800, 600},
       {50, 100},
       100,
       kStretchFit,
       {250, 0, 550, 600}},
      {"multiples: 3 x 2 copies fit at most twice",
       {800, 600},
       {300, 200},
       100,
       kStretchMultiples,
       {100, 100, 700, 500}},
      {"multiples: the smaller side decides",
       {800, 600},
       {100, 250},
       100,
       kStretchMultiples,
       {300, 50, 500, 550}},
      {"multiples: a picture larger than the window is fitted",
       {800, 600},
       {1000, 500},
       100,
       kStretchMultiples,
       {0, 100, 800, 500}},
      {"multiples: larger than the target at 50% is fitted to it",
       {800, 600},
       {500, 500},
       50,
       kStretchMultiples,
       {250, 150, 550, 450}},
      {"an unknown mode stretches", {800, 600}, {100, 50}, 100, 7, {0, 0, 800, 600}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Rect r = PictureTarget(c.client, c.picture, c.percent, c.mode);
    EXPECT_EQ(r, c.target) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
}

TEST(BackgroundPicture, TilesCoverTheWindowWithPartTilesAtTheEdges) {
  const std::vector<Rect> tiles = PictureTiles({250, 100}, {100, 40});
  ASSERT_EQ(tiles.size(), 9u);  // 3 columns (2.5 rounded up), 3 rows (2.5 rounded up)
  EXPECT_EQ(tiles.front(), (Rect{0, 0, 100, 40}));
  EXPECT_EQ(tiles[1], (Rect{100, 0, 200, 40}));
  EXPECT_EQ(tiles[3], (Rect{0, 40, 100, 80}));
  EXPECT_EQ(tiles.back(), (Rect{200, 80, 300, 120}));
  EXPECT_EQ(PictureTiles({250, 100}, {250, 100}).size(), 1u);
  EXPECT_TRUE(PictureTiles({250, 100}, {0, 0}).empty());
}

TEST(BackgroundText, BoxAlignmentAndTopOfEachPosition) {
  // 1000 x 800: margins 5 across and 2 down; a shadow of 3; text 40 high.
  const Size client{1000, 800};
  struct Case {
    int position;
    TextAlign align;
    int32_t top;
  };
  const Case cases[] = {
      {kTextTopLeft, TextAlign::kLeft, 2},          {kTextTopCenter, TextAlign::kCenter, 2},
      {kTextTopRight, TextAlign::kRight, 2},        {kTextBottomLeft, TextAlign::kLeft, 755},
      {kTextBottomCenter, TextAlign::kCenter, 755}, {kTextBottomRight, TextAlign::kRight, 755},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    const TextPlacement placement = PlaceText(client, c.position, 3, 40);
    EXPECT_EQ(placement.align, c.align);
    // As wide as the client less twice the shadow and the margin.
    EXPECT_EQ(placement.box, (Rect{5, c.top, 5 + 1000 - 16, c.top + 40}));
  }
  EXPECT_EQ(TextMargins({199, 399}), (Size{0, 0}));
}

TEST(BackgroundText, TheFirstInstalledFontOfTheListElseArial) {
  const auto installed = [](std::u16string_view name) {
    return name == u"Tahoma" || name == u"Segoe UI";
  };
  struct Case {
    std::u16string list;
    std::u16string face;
  };
  const Case cases[] = {
      {u"Missing Font, Segoe UI ,Tahoma", u"Segoe UI"},
      {u"  Tahoma\t", u"Tahoma"},
      {u"Missing, Other", u"Arial"},
      {u"", u"Arial"},
      {u",,", u"Arial"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseFontFace(c.list, installed), c.face);
}

TEST(BackgroundText, FontHeightFromPointsAndPixelsPerInch) {
  EXPECT_EQ(FontHeight(96, 26), 34);   // 34.67, truncated
  EXPECT_EQ(FontHeight(120, 16), 26);  // 26.67
  EXPECT_EQ(FontHeight(96, 39), 52);   // a title size of 1.5
}

TEST(BackgroundText, ATitleTooWideShrinksAPointAtATimeDownToSix) {
  // A text 20 pixels wide per point; the window 500 wide, margin 2, shadow 3.
  std::vector<double> asked;
  const auto measure = [&asked](double points) {
    asked.push_back(points);
    return static_cast<int32_t>(points * 20);
  };
  // 26 points: 520 wide; 25 (500 + 5) and 24 (480 + 5 = 485) ... 24 is the first that fits.
  EXPECT_EQ(FittingPoints(26, 500, 2, 3, measure), 24);
  EXPECT_EQ(asked, (std::vector<double>{26, 25, 24}));

  // Never fits: it stops at 6 without measuring there.
  asked.clear();
  EXPECT_EQ(FittingPoints(9.5, 10, 0, 0, measure), 5.5);
  EXPECT_EQ(asked, (std::vector<double>{9.5, 8.5, 7.5, 6.5}));

  // Already at 6 or less: used as it is, unmeasured.
  asked.clear();
  EXPECT_EQ(FittingPoints(6, 10, 0, 0, measure), 6);
  EXPECT_TRUE(asked.empty());

  // Exactly the client width does not fit: the width must stay below it.
  EXPECT_EQ(FittingPoints(25, 505, 2, 3, [](double p) { return static_cast<int32_t>(p * 20); }),
            24);
}

}  // namespace
}  // namespace qs
