// MessageBoxWatcher: closes every message box of this process while it lives, and remembers what
// each one said, so that a test can check the exact texts, and a box that nobody expected shows up
// as a failed comparison instead of a test that hangs.
//
//   MessageBoxWatcher boxes;
//   StartLookupServer();
//   EXPECT_EQ(boxes.Take(), (std::vector<SeenMessageBox>{{L"Korvi 10", L"Cannot locate ..."}}));
//
// A test that runs a program and checks the boxes that program shows watches the boxes of other
// processes instead:
//
//   MessageBoxWatcher boxes(MessageBoxWatcher::Scope::kOtherProcesses);
//   RunProgram(L"Korvi10Config.exe", L"i");
//
// A box counts once it has been read; Take() after the call that showed it returns it, because
// the box is read before it is closed and the call returns only when it is closed.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace korvi::testing {

struct SeenMessageBox {
  std::wstring caption;
  std::wstring text;
  // Command identifiers of the visible buttons (IDOK, IDCANCEL, ...), in identifier order.
  std::vector<int> buttons = {IDOK};
  bool hasOwner = false;

  friend bool operator==(const SeenMessageBox& a, const SeenMessageBox& b) {
    return a.caption == b.caption && a.text == b.text && a.buttons == b.buttons &&
           a.hasOwner == b.hasOwner;
  }
  friend std::ostream& operator<<(std::ostream& out, const SeenMessageBox& box);
};

class MessageBoxWatcher {
 public:
  // Whose boxes are read and closed.
  enum class Scope {
    kThisProcess,     // the boxes of this process only
    kOtherProcesses,  // the boxes of every process but this one
    kAllProcesses,    // every box on the desktop
  };

  MessageBoxWatcher();
  explicit MessageBoxWatcher(Scope scope);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  // The boxes seen since the last Take(), oldest first.
  std::vector<SeenMessageBox> Take();

 private:
  void Watch();
  bool Watches(DWORD process) const;

  const Scope scope_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<SeenMessageBox> seen_;
  std::thread thread_;
};

}  // namespace korvi::testing
