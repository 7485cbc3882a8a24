#include "platform/RunContext.h"

#include <atomic>

#include "platform/Launcher.h"
#include "platform/RegistryStore.h"

namespace quillon {

namespace {

std::atomic<RunContext*> gScoped{nullptr};

}  // namespace

RunContext::RunContext() = default;
RunContext::~RunContext() = default;

RunContext& RunContext::Current() {
    if (RunContext* scoped = gScoped.load(std::memory_order_acquire)) {
        return *scoped;
    }
    static RunContext process;
    return process;
}

RegistryStore& RunContext::Registry() {
    std::call_once(registryOnce_, [this] {
        registry_ = std::make_unique<RegistryStore>(RegistryStore::FolderFromEnvironment());
    });
    return *registry_;
}

Launcher& RunContext::DefaultLauncher() {
    if (launcher) {
        return *launcher;
    }
    std::call_once(launcherOnce_, [this] { launcher_ = std::make_unique<ProcessLauncher>(); });
    return *launcher_;
}

ScopedRunContext::ScopedRunContext() : previous_(gScoped.exchange(&context_)) {}

ScopedRunContext::~ScopedRunContext() {
    gScoped.store(previous_);
}

}  // namespace quillon
