#include "testing/win/recording_window.h"

#include <algorithm>

namespace korvi::testing {
namespace {

// The queued message being dispatched now, so that the window procedure can tell it apart from a
// sent one.
thread_local const MSG* g_dispatching = nullptr;

const char* MessageName(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
      return "WM_KEYDOWN";
    case WM_KEYUP:
      return "WM_KEYUP";
    case WM_CHAR:
      return "WM_CHAR";
    case WM_COMMAND:
      return "WM_COMMAND";
    default:
      return nullptr;
  }
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const RecordedMessage& m) {
  out << (m.posted ? "posted " : "sent ");
  if (const char* name = MessageName(m.message)) {
    out << name;
  } else {
    out << "0x" << std::hex << m.message << std::dec;
  }
  return out << "(0x" << std::hex << static_cast<unsigned long long>(m.wParam) << ", 0x"
             << static_cast<unsigned long long>(m.lParam) << std::dec << ")";
}

RecordingWindow::RecordingWindow(const std::wstring& className, const std::wstring& title,
                                 HWND parent) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass = {};
  if (!GetClassInfoExW(instance, className.c_str(), &windowClass)) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className.c_str();
    RegisterClassExW(&windowClass);
  }
  const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW;
  hwnd_ = CreateWindowExW(0, className.c_str(), title.c_str(), style, 0, 0, 200, 100, parent,
                          nullptr, instance, this);
}

RecordingWindow::~RecordingWindow() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

std::vector<RecordedMessage> RecordingWindow::Messages(std::initializer_list<UINT> only) const {
  std::vector<RecordedMessage> result;
  for (const RecordedMessage& m : messages_) {
    if (only.size() == 0 || std::find(only.begin(), only.end(), m.message) != only.end()) {
      result.push_back(m);
    }
  }
  return result;
}

void RecordingWindow::PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    g_dispatching = &msg;
    DispatchMessageW(&msg);
    g_dispatching = nullptr;
  }
}

LRESULT CALLBACK RecordingWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self) {
    const bool posted = g_dispatching && g_dispatching->hwnd == window &&
                        g_dispatching->message == message && g_dispatching->wParam == wParam &&
                        g_dispatching->lParam == lParam;
    self->messages_.push_back({message, wParam, lParam, posted});
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace korvi::testing
