// The library's process-wide state: its module handle, the module object count that decides when
// it may be unloaded, and the one critical section that guards the class factory.
//
// The count is -1 while nothing refers to the library. Every live object, every reference handed
// out on the class factory and every server lock adds 1. When a release takes the count below 0,
// the idle hook runs inside the critical section; the class factory registers there the code that
// frees it.
//
// DllMain calls ModuleAttach on process attach and ModuleDetach on detach. A test program that
// links the library's code statically may call ModuleAttach itself; without it ModuleLock and the
// idle hook run without the critical section (a single-threaded test needs none).
#pragma once

#include <windows.h>

namespace korvi {

// Records the module handle and initialises the critical section (spin count 0). False when the
// initialisation fails: the library must then refuse to load.
bool ModuleAttach(HINSTANCE module);
void ModuleDetach();
HINSTANCE ModuleHandle();

// Interlocked; each returns the count after the change.
LONG ModuleAddRef();
LONG ModuleRelease();
// Read without the lock, as DllCanUnloadNow does.
LONG ModuleObjectCount();
bool ModuleCanUnload();

// Runs, inside the critical section, each time a release takes the count below 0. One hook; a
// later call replaces it, null removes it.
using ModuleIdleHook = void (*)();
void SetModuleIdleHook(ModuleIdleHook hook);

// Holds the library's critical section for its lifetime.
class ModuleLock {
 public:
  ModuleLock();
  ~ModuleLock();
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;

 private:
  bool entered_;
};

// Count policy for ComObject: the object counts in the module object count while it lives.
struct ModuleObjectCounted {
  static void ObjectCreated() { ModuleAddRef(); }
  static void ObjectDestroyed() { ModuleRelease(); }
};

}  // namespace korvi
