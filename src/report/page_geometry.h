// Where a report page's picture goes on a printer page: the window's picture
// enlarged by the largest whole factor that fits the printable area, centred.
#pragma once

struct PageGeometry {
  bool blank = true;  // nothing to draw: the window has no area
  int scale = 0;      // 0 when the printable area is smaller than the window
  int x0 = 0;         // origin of the picture in device pixels
  int y0 = 0;
};

// pageWidth x pageHeight: the printable area in device pixels;
// windowWidth x windowHeight: the chart window's client size.
PageGeometry FitPage(int pageWidth, int pageHeight, int windowWidth, int windowHeight);
