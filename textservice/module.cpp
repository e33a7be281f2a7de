#include "textservice/module.h"

#include <atomic>

namespace korvi {
namespace {

HINSTANCE g_module = nullptr;
volatile LONG g_objectCount = -1;
CRITICAL_SECTION g_lock;
std::atomic<bool> g_lockReady{false};
std::atomic<ModuleIdleHook> g_idleHook{nullptr};

}  // namespace

bool ModuleAttach(HINSTANCE module) {
  g_module = module;
  if (!InitializeCriticalSectionAndSpinCount(&g_lock, 0))
    return false;
  g_lockReady = true;
  return true;
}

void ModuleDetach() {
  if (g_lockReady.exchange(false))
    DeleteCriticalSection(&g_lock);
}

HINSTANCE ModuleHandle() {
  return g_module;
}

LONG ModuleAddRef() {
  return InterlockedIncrement(&g_objectCount);
}

LONG ModuleRelease() {
  const LONG count = InterlockedDecrement(&g_objectCount);
  if (count < 0) {
    ModuleLock lock;
    if (ModuleIdleHook hook = g_idleHook.load())
      hook();
  }
  return count;
}

LONG ModuleObjectCount() {
  return g_objectCount;
}

bool ModuleCanUnload() {
  return ModuleObjectCount() < 0;
}

void SetModuleIdleHook(ModuleIdleHook hook) {
  g_idleHook = hook;
}

ModuleLock::ModuleLock() : entered_(g_lockReady.load()) {
  if (entered_)
    EnterCriticalSection(&g_lock);
}

ModuleLock::~ModuleLock() {
  if (entered_)
    LeaveCriticalSection(&g_lock);
}

}  // namespace korvi
