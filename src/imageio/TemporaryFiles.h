#pragma once
// Temporary files that cannot outlive the process that makes them. Where the file system
// allows, a temporary has no name until it is complete; where it does not, it is made readable
// by its owner only and named after the owner's process, so a later run into the same folder can
// tell which temporaries were left by a process that has died and remove them. Named
// temporaries are also listed where a fatal signal's handler can find and remove them.

#include <sys/types.h>

#include <string>

namespace rimvista::files {

// A name in target's folder, hidden, recognisable as a temporary of this process.
std::string temporaryNameFor(const std::string& target);

// Removes the temporaries in folder whose owning process no longer exists, and those of earlier
// versions untouched for an hour; returns how many.
int removeStaleTemporaries(const std::string& folder);

// The permissions a newly created file gets from this process's umask.
mode_t newFileMode();

// Lists a named temporary for removal by removeListedTemporaries; the slot is given back by
// unlistTemporary. -1 when every slot is taken (the file is then simply not listed).
int listTemporary(const std::string& path);
void unlistTemporary(int slot);

// Held around each step that gives a temporary a name (creating, linking or renaming it), so
// that a fatal signal's handler, running while other threads go on, does not miss a name made
// just after it looked. Once the handler has started, allowed() is false and the step must not
// be taken.
class NamingStep {
public:
    NamingStep();
    ~NamingStep();
    NamingStep(const NamingStep&) = delete;
    NamingStep& operator=(const NamingStep&) = delete;
    bool allowed() const { return m_allowed; }

private:
    bool m_allowed;
};

// Stops new names being made, waits briefly for the steps under way, then unlinks every listed
// temporary. Async-signal-safe: for handlers of fatal signals, which then end the process.
void removeListedTemporaries();

}  // namespace rimvista::files
