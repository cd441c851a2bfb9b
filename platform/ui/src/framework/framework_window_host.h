// A layer window that stands in for a framework window: its messages go to
// a CWnd that has no window of its own (CDialog over ui::Dialog), so
// CWnd::FromHandle of its handle gives that CWnd.
#pragma once

class CWnd;

namespace ui::detail {

class FrameworkWindowHost {
public:
    // The framework window the host serves; never null.
    virtual CWnd* FrameworkWindow() const = 0;

protected:
    ~FrameworkWindowHost() = default;
};

}  // namespace ui::detail
