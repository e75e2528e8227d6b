// Plays the report's primitives on a device context: the screen's paint DC
// or a printer's page.
#pragma once

#include <windows.h>

#include "base/datetime.h"
#include "base/text.h"
#include "report/primitives.h"

// The system's caption font (SPI_GETNONCLIENTMETRICS). False, and the
// description unchanged, when the system does not answer.
BOOL GetCaptionLogFont(LOGFONTW& font);

// Draws the list in order with one solid black pen one device pixel wide and
// the 8-point caption font at the device's own vertical resolution, with the
// device context's text colour and background mode as they are. Every pen,
// brush and font made here is selected out and deleted before it returns.
void PlayPrimitives(HDC dc, const PrimitiveList& primitives);

// A row's date label: month and day without leading zeros and the system
// locale's abbreviated weekday, "M'/'d' ('ddd')'"; empty when formatting fails.
Text FormatDateLabel(const LocalDateTime& day);
