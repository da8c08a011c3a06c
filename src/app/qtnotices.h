#pragma once
// Qt's own notices that say nothing to the user of this program are kept off stderr; every
// other message of Qt goes where it went before.

namespace app {

// Installs the filter; call first thing in main().
void QuietenQtNotices();

}  // namespace app
