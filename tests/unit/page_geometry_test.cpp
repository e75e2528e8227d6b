#include "report/page_geometry.h"

#include <gtest/gtest.h>

namespace {

struct Fit {
  int pageW, pageH, windowW, windowH;
  bool blank;
  int scale, x0, y0;
};

TEST(FitPage, LargestWholeScaleCentredOnThePage) {
  const Fit cases[] = {
      // Worked example: min(8, 10) = 8, picture 6,664 x 3,504.
      {6814, 4760, 833, 438, false, 8, 75, 628},
      // Odd leftovers: the extra pixel goes right and down.
      {101, 51, 50, 25, false, 2, 0, 0},
      {103, 53, 50, 25, false, 2, 1, 1},
      {105, 60, 50, 25, false, 2, 2, 5},
      // The height limits the scale.
      {4000, 500, 833, 438, false, 1, 1583, 31},
      // Exactly the window's size.
      {833, 438, 833, 438, false, 1, 0, 0},
      // Smaller than the window in either direction: scale 0, every point on
      // the page's centre.
      {832, 5000, 833, 438, false, 0, 416, 2500},
      {5000, 437, 833, 438, false, 0, 2500, 218},
      {0, 0, 833, 438, false, 0, 0, 0},
      // A window without area: nothing to scale, a blank page.
      {6814, 4760, 0, 438, true, 0, 0, 0},
      {6814, 4760, 833, 0, true, 0, 0, 0},
      {6814, 4760, 0, 0, true, 0, 0, 0},
  };
  for (const Fit& c : cases) {
    const PageGeometry g = FitPage(c.pageW, c.pageH, c.windowW, c.windowH);
    SCOPED_TRACE(testing::Message() << c.pageW << "x" << c.pageH << " for " << c.windowW << "x"
                                    << c.windowH);
    EXPECT_EQ(g.blank, c.blank);
    EXPECT_EQ(g.scale, c.scale);
    EXPECT_EQ(g.x0, c.x0);
    EXPECT_EQ(g.y0, c.y0);
  }
}

}  // namespace
