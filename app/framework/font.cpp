#include "font.h"

bool CFont::CreateFontIndirect(const LOGFONTA& font) {
  DeleteObject();
  m_hFont = ::CreateFontIndirectA(&font);
  return m_hFont != nullptr;
}

void CFont::DeleteObject() {
  if (m_hFont != nullptr) ::DeleteObject(m_hFont);
  m_hFont = nullptr;
}
