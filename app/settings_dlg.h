// CSettingsDlg: "Program settings", the RTF font face and size, whether pictures are
// embedded, and the reading (template 131).
#pragma once

#include <string>

#include "framework/dialog.h"

class CSettingsDlg : public CDialog {
 public:
  explicit CSettingsDlg(CWnd* parent = nullptr);

  // The offered sizes, in list order.
  static constexpr const char* kSizes[] = {"6",  "7",  "8",  "9",  "10", "11", "12",
                                           "13", "14", "16", "18", "20", "22", "24",
                                           "26", "28", "36", "48", "72"};

  std::string m_strFont;  // text of the Font box, in UTF-8
  std::string m_strSize;  // text of the Size box
  // "Classic reading": 1 checked, 0 clear. Unlike the font and size, the dialog opens on the
  // reading in use, which the caller sets here.
  int m_bClassicReading;
  // "Embed pictures": 1 checked, 0 clear; opens as the caller sets it, as the reading does.
  int m_bEmbedPictures;

  // Fills the Font list with the Cyrillic-capable fonts and the Size list, selects the
  // engine's default face and size ("Arial", "10"), and checks "Classic reading" and "Embed
  // pictures" as m_bClassicReading and m_bEmbedPictures say.
  BOOL OnInitDialog() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

 private:
  static int CALLBACK AddFontFamily(const LOGFONTW* font, const TEXTMETRICW* metrics,
                                    DWORD fontType, LPARAM self);
};
