#include "control_progress_sink.h"

#include <commctrl.h>

// The conversion runs inside a button handler without dispatching messages, so every
// change is painted at once.

void ControlProgressSink::SetRange(int low, int high) {
  SendMessageA(m_hBar, PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void ControlProgressSink::SetPosition(int pos) {
  SendMessageA(m_hBar, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
  UpdateWindow(m_hBar);
}

void ControlProgressSink::SetPercentText(const char* text) {
  SetWindowTextA(m_hPercent, text);
  UpdateWindow(m_hPercent);
}
