// The wait cursor while a long operation runs. Nested uses count: the
// cursor comes back when the outermost one ends.
#pragma once

class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    // Shows the wait cursor again (after a message box changed it).
    void Restore();
};
