#include "font.h"

bool CFont::CreateFontIndirect(const LOGFONTW& font) {
  DeleteObject();
  m_hFont = ::CreateFontIndirectW(&font);
  return m_hFont != nullptr;
}

void CFont::DeleteObject() {
  if (m_hFont != nullptr) ::DeleteObject(m_hFont);
  m_hFont = nullptr;
}
