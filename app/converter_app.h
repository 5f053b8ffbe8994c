// CConverterApp: the application object; its InitInstance runs the main window.
#pragma once

#include "framework/win_app.h"

class CConverterApp : public CWinApp {
 public:
  CConverterApp();

  // Runs the main window modally and returns false: the program ends when it closes.
  BOOL InitInstance() override;
};

// The one application object.
extern CConverterApp theApp;
