// BusyCursor: the wait cursor for as long as a request to the handheld blocks
// the user-interface thread (a slow link can take seconds), so the window
// never looks frozen without a sign. A scope guard on the user-interface
// thread; nests, and always restores what it set.
#pragma once

#include <QApplication>

namespace hd::desktop {

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace hd::desktop
