// The VARIANT that names one child of an accessible object, as a client passes it.
#pragma once

#include <windows.h>
#include <oleacc.h>

inline VARIANT Child(LONG id) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}
