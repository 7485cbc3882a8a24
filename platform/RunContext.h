// What the process keeps once for all of its parts: the log, the registry store, the launcher of
// other programs, the progress window shown now and the tool lookup. They live in one object so
// that a test puts a fresh one in place for its duration (ScopedRunContext), with a launcher and a
// tool lookup of its own when it wants, instead of resetting process globals by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/Log.h"

namespace quillon {

class Launcher;
class ProgressSink;
class RegistryStore;

class RunContext {
  public:
    RunContext();
    ~RunContext();
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    // The innermost ScopedRunContext's context while one exists, else the process's own.
    static RunContext& Current();

    LogState log;
    // The progress window shown now, if any.
    ProgressSink* progress = nullptr;
    // Numbers the undo journal's operations for the whole run; the first one gets 0. Never reset,
    // not even by a purge, so that two operations never share a backup name.
    int32_t undoOperationCounter = -1;
    // Takes the place of the App Paths and PATH lookup of LocateTool when set.
    std::function<std::string(std::string_view exe)> locateTool;
    // Takes the place of the ProcessLauncher of DefaultLauncher when set.
    Launcher* launcher = nullptr;

    // Made on first use, on the folder RegistryStore::FolderFromEnvironment() names then.
    RegistryStore& Registry();
    // `launcher` when set, else a ProcessLauncher made on first use.
    Launcher& DefaultLauncher();

  private:
    std::once_flag registryOnce_;
    std::unique_ptr<RegistryStore> registry_;
    std::once_flag launcherOnce_;
    std::unique_ptr<Launcher> launcher_;
};

// Puts a fresh context in place for its lifetime and restores the one before it afterwards.
// Scopes nest; no helper thread may run across the start or the end of one.
class ScopedRunContext {
  public:
    ScopedRunContext();
    ~ScopedRunContext();
    ScopedRunContext(const ScopedRunContext&) = delete;
    ScopedRunContext& operator=(const ScopedRunContext&) = delete;

    RunContext& operator*() { return context_; }
    RunContext* operator->() { return &context_; }

  private:
    RunContext context_;
    RunContext* previous_;
};

}  // namespace quillon
