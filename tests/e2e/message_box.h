// Watching for the message box of a started uninstall.exe: what it says,
// which icon it shows, what holds while it is open, and pressing its OK.
#ifndef UNINSTALL_TESTS_E2E_MESSAGE_BOX_H
#define UNINSTALL_TESTS_E2E_MESSAGE_BOX_H

#include <functional>
#include <string>

#include "harness.h"

namespace e2e {

struct BoxSeen {
    int boxes;            // boxes captioned "Uninstall" the process showed
    std::string text;     // of the first box
    std::string icon;     // "information", "error", "warning", "question" or a note
    bool processRunning;  // while the first box was open
    bool conditionHeld;   // the caller's condition, while the first box was open
};

// Follows the process until it ends, closing each of its boxes with OK.
BoxSeen WatchBoxes(Started& started, const std::function<bool()>& conditionWhileOpen);

// Boxes captioned "Uninstall" open now, whichever process shows them.
int BoxesOpen();

}  // namespace e2e

#endif
