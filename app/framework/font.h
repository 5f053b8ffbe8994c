// CFont: an owned GDI font, deleted with the object.
#pragma once

#include <windows.h>

class CFont {
 public:
  CFont() = default;
  ~CFont() { DeleteObject(); }
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  // Replaces the font by one made from font; false when it cannot be made.
  bool CreateFontIndirect(const LOGFONTW& font);
  void DeleteObject();
  HFONT GetSafeHandle() const { return m_hFont; }

 private:
  HFONT m_hFont = nullptr;
};
