#include "ui/descriptor_watch.h"

#include <QSocketNotifier>

#include <utility>

namespace ui {

// The Qt notifier with the work it runs. A watch that ends inside its own
// work leaves the notifier to delete itself once Qt's signal is done.
struct DescriptorWatch::Notifier : QSocketNotifier {
    Notifier(int fd, std::function<void()> onReadable)
        : QSocketNotifier(fd, QSocketNotifier::Read), work(std::move(onReadable)) {
        QObject::connect(this, &QSocketNotifier::activated, this, [this] { Run(); });
    }

    void Run() {
        if (orphaned) return;
        ++depth;
        work();
        --depth;
        if (orphaned && depth == 0) deleteLater();
    }

    std::function<void()> work;
    int depth = 0;  // calls of `work` under way (a modal loop inside it may nest one)
    bool orphaned = false;
};

DescriptorWatch::DescriptorWatch(int fd, std::function<void()> onReadable)
    : notifier_(new Notifier(fd, std::move(onReadable))) {}

DescriptorWatch::~DescriptorWatch() {
    notifier_->setEnabled(false);
    if (notifier_->depth > 0)
        notifier_->orphaned = true;
    else
        delete notifier_;
}

}  // namespace ui
