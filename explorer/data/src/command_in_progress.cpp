#include "explorer/data/command_in_progress.h"

#include <deque>
#include <utility>

bool gbCommandInProgress = false;

namespace {

// GUI thread only, like the flag.
int commandDepth = 0;
int attachDepth = 0;
bool running = false;  // the deferred work is being run (work may open scopes)
std::deque<std::function<void()>> deferred;

void RunDeferredWork() {
    if (running) return;  // the run further up the stack goes on
    running = true;
    while (!deferred.empty() && !gbMustDeferVaultWork()) {
        std::function<void()> work = std::move(deferred.front());
        deferred.pop_front();
        try {
            work();
        } catch (...) {}
    }
    running = false;
}

}  // namespace

CommandInProgressScope::CommandInProgressScope() {
    ++commandDepth;
    gbCommandInProgress = true;
}

CommandInProgressScope::~CommandInProgressScope() {
    gbCommandInProgress = --commandDepth > 0;
    RunDeferredWork();
}

AttachInProgressScope::AttachInProgressScope() { ++attachDepth; }

AttachInProgressScope::~AttachInProgressScope() {
    --attachDepth;
    RunDeferredWork();
}

bool gbMustDeferVaultWork() { return gbCommandInProgress || commandDepth > 0 || attachDepth > 0; }

void gvRunAfterCommand(std::function<void()> work) {
    if (!work) return;
    deferred.push_back(std::move(work));
    RunDeferredWork();
}
