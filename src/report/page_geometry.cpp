#include "report/page_geometry.h"

#include <algorithm>

PageGeometry FitPage(int pageWidth, int pageHeight, int windowWidth, int windowHeight) {
  PageGeometry g;
  // A window without area has no scale; the page stays blank rather than
  // dividing by zero.
  if (windowWidth <= 0 || windowHeight <= 0 || pageWidth < 0 || pageHeight < 0) return g;
  g.blank = false;
  // Integer divisions truncate; the halving gives an odd leftover pixel to
  // the right and bottom side.
  g.scale = std::min(pageWidth / windowWidth, pageHeight / windowHeight);
  g.x0 = (pageWidth - windowWidth * g.scale) / 2;
  g.y0 = (pageHeight - windowHeight * g.scale) / 2;
  return g;
}
