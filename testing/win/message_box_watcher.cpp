#include "testing/win/message_box_watcher.h"

#include <set>

#include "testing/win/wide_text.h"

namespace korvi::testing {
namespace {

// The static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = L"";
  GetWindowTextW(window, text, 1024);
  return text;
}

SeenMessageBox Read(HWND box) {
  SeenMessageBox seen;
  seen.caption = WindowText(box);
  wchar_t text[2048] = L"";
  GetDlgItemTextW(box, kMessageBoxTextId, text, 2048);
  seen.text = text;
  seen.buttons.clear();
  for (int id = IDOK; id <= IDCONTINUE; ++id) {
    HWND button = GetDlgItem(box, id);
    if (button && IsWindowVisible(button))
      seen.buttons.push_back(id);
  }
  seen.hasOwner = GetWindow(box, GW_OWNER) != nullptr;
  return seen;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const SeenMessageBox& box) {
  out << "{caption \"" << Narrow(box.caption) << "\", text \"" << Narrow(box.text) << "\", buttons";
  for (int id : box.buttons)
    out << ' ' << id;
  return out << (box.hasOwner ? ", owned}" : "}");
}

MessageBoxWatcher::MessageBoxWatcher() : MessageBoxWatcher(Scope::kThisProcess) {}

MessageBoxWatcher::MessageBoxWatcher(Scope scope) : scope_(scope), thread_([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  thread_.join();
}

std::vector<SeenMessageBox> MessageBoxWatcher::Take() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<SeenMessageBox> taken;
  taken.swap(seen_);
  return taken;
}

bool MessageBoxWatcher::Watches(DWORD process) const {
  switch (scope_) {
    case Scope::kThisProcess:
      return process == GetCurrentProcessId();
    case Scope::kOtherProcesses:
      return process != GetCurrentProcessId();
    case Scope::kAllProcesses:
      return true;
  }
  return false;
}

void MessageBoxWatcher::Watch() {
  std::set<HWND> closing;
  while (!stop_) {
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
      DWORD process = 0;
      GetWindowThreadProcessId(box, &process);
      if (!Watches(process) || closing.count(box))
        continue;
      // The box may still be filling in its controls: wait until its text is there.
      if (!GetDlgItem(box, kMessageBoxTextId) || !IsWindowVisible(box))
        continue;
      SeenMessageBox seen = Read(box);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(std::move(seen));
      }
      closing.insert(box);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    for (auto it = closing.begin(); it != closing.end();) {
      it = IsWindow(*it) ? std::next(it) : closing.erase(it);
    }
    Sleep(5);
  }
}

}  // namespace korvi::testing
