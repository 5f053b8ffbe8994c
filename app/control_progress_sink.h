// The current file's progress bar and percent label as the converter's progress sink.
#pragma once

#include <windows.h>

#include "progress.h"

class ControlProgressSink final : public vellumine::ProgressSink {
 public:
  ControlProgressSink(HWND bar, HWND percentLabel) : m_hBar(bar), m_hPercent(percentLabel) {}

  void SetRange(int low, int high) override;
  void SetPosition(int pos) override;
  void SetPercentText(const char* text) override;

 private:
  HWND m_hBar;      // progress bar; we don't own it
  HWND m_hPercent;  // percent label; we don't own it
};
