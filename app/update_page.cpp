#include "update_page.h"

#include <windows.h>

#include "framework/launcher.h"
#include "link_targets.h"

void OpenUpdatePage() { vellumine::CurrentLauncher().OpenDocument(vellumine::kHomePageUrl, SW_SHOWNORMAL); }
