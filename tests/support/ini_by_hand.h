// Dorvane.ini as a user saves it from a text editor (UTF-8), one slot per name.
#pragma once

#include <initializer_list>
#include <string>

#include "base/text.h"

inline std::string IniByHand(std::initializer_list<const char16_t*> names) {
  Text text = u"[ITEM]\r\n";
  int k = 1;
  for (const char16_t* name : names) {
    const Text n = TextFromUtf8(std::to_string(k++));
    text += u"ITEM" + n + u"_COLOR=255\r\nITEM" + n + u"_STATICS=1\r\nITEM" + n + u"_NAME=" + name + u"\r\n";
  }
  return "\xEF\xBB\xBF" + TextToUtf8(text);
}
