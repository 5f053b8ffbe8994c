// Where the program's links lead and the texts that name them. The resource script reads
// the texts from here too (RC_INVOKED), so the two cannot drift apart.
#pragma once

// The link labels, the lines beside them and the About box's button.
#define VELLUMINE_HOME_PAGE_TEXT "Vellumine home page"
#define VELLUMINE_HOME_PAGE_DESCRIPTION "News, new versions and updates of this converter."
#define VELLUMINE_USER_GUIDE_TEXT "Online user guide"
#define VELLUMINE_USER_GUIDE_DESCRIPTION "Every option of this window, explained."
#define VELLUMINE_WEB_ADDRESS_TEXT "vellumine.example"

#ifndef RC_INVOKED
namespace vellumine {

// The home page: news, releases and updates. The first link label, Help > Update and the
// About box's button open it.
inline constexpr const char* kHomePageUrl = "https://vellumine.example/";
// The user guide on the web: the second link label.
inline constexpr const char* kUserGuideUrl = "https://vellumine.example/guide/";

inline constexpr const char* kHomePageText = VELLUMINE_HOME_PAGE_TEXT;
inline constexpr const char* kUserGuideText = VELLUMINE_USER_GUIDE_TEXT;

}  // namespace vellumine
#endif
