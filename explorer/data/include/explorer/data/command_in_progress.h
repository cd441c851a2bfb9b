// The busy state of the explorer's GUI thread: gbCommandInProgress is true
// exactly while an item command runs (the command dispatcher's
// CommandInProgressScope). The refresh broadcast, the vault events and the
// view-server event handler do nothing while it is set.
//
// Work that must not interleave with a command, nor with an attach that sits
// in the item server's login dialog, but must not be lost either (a vault
// reset, which releases the item manager the command or attach is calling)
// waits with gvRunAfterCommand until the command or attach has ended.
#pragma once

#include <functional>

// Set and cleared only by CommandInProgressScope; read by everyone.
extern bool gbCommandInProgress;

// Marks an item command running for the scope's life. A command started
// from a modal loop inside another keeps the flag set until the outermost
// ends; the work deferred meanwhile then runs, oldest first.
class CommandInProgressScope {
public:
    CommandInProgressScope();
    ~CommandInProgressScope();
    CommandInProgressScope(const CommandInProgressScope&) = delete;
    CommandInProgressScope& operator=(const CommandInProgressScope&) = delete;
};

// Holds deferred work back while an attach runs, without marking a command
// (the other events go on as usual).
class AttachInProgressScope {
public:
    AttachInProgressScope();
    ~AttachInProgressScope();
    AttachInProgressScope(const AttachInProgressScope&) = delete;
    AttachInProgressScope& operator=(const AttachInProgressScope&) = delete;
};

// True while a command or an attach runs, when gvRunAfterCommand defers.
bool gbMustDeferVaultWork();

// Runs `work` at once when no command or attach runs; otherwise when the
// last one ends. Work that raises is dropped (what it raised is lost).
void gvRunAfterCommand(std::function<void()> work);
