// RecordingWindow: a window of a chosen class and title that records every message it receives,
// with wParam, lParam and whether it was posted (taken from the queue by PumpMessages) or sent
// (delivered straight to the window procedure by SendMessageW, from this thread or another).
//
// It stands in for the windows that the text service talks to: the lookup server's hidden window,
// the visual keyboard's window, and focus windows of particular classes.
//
//   RecordingWindow keyboard(L"KORVI10VKBDAPP");
//   NotifyKeyboardFocus();
//   RecordingWindow::PumpMessages();
//   EXPECT_EQ(keyboard.Messages({WM_COMMAND}), (std::vector<RecordedMessage>{{...}}));
//
// The window lives on the thread that creates it; PumpMessages must run on that thread. It never
// translates messages, so a posted WM_KEYDOWN produces no WM_CHAR of its own.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace korvi::testing {

struct RecordedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool posted;

  friend bool operator==(const RecordedMessage& a, const RecordedMessage& b) {
    return a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam &&
           a.posted == b.posted;
  }
  friend std::ostream& operator<<(std::ostream& out, const RecordedMessage& m);
};

// Shorthands for expected messages.
inline RecordedMessage Sent(UINT message, WPARAM wParam, LPARAM lParam) {
  return {message, wParam, lParam, false};
}
inline RecordedMessage Posted(UINT message, WPARAM wParam, LPARAM lParam) {
  return {message, wParam, lParam, true};
}

class RecordingWindow {
 public:
  // A top-level window (hidden), or a child of parent. The class is registered on first use.
  explicit RecordingWindow(const std::wstring& className, const std::wstring& title = L"",
                           HWND parent = nullptr);
  ~RecordingWindow();
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  HWND hwnd() const { return hwnd_; }

  // The messages received so far, oldest first; with a list, only those messages.
  std::vector<RecordedMessage> Messages(std::initializer_list<UINT> only = {}) const;
  void Clear() { messages_.clear(); }

  // Dispatches every message waiting in this thread's queue (without translating it).
  static void PumpMessages();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  std::vector<RecordedMessage> messages_;
};

}  // namespace korvi::testing
