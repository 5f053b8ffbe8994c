// The update page: the home page, opened from Help > Update and the About box.
#pragma once

// Opens the page with the shell's "open" verb; a failure is not reported.
void OpenUpdatePage();
