#pragma once
// Stand-ins for layers not wired yet. Removed piece by piece as they land.
#include <windows.h>

#include <string>
#include <string_view>

namespace sweeplet {

inline std::wstring AppVersion3() { return L"1.9.0"; }
inline void StopUpdateCheck() {}


inline HWND CreateStyledButton(HWND parent, int id, const wchar_t* caption, std::string_view, int, const RECT& r,
                               bool takesFocus) {
  return ::CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | (takesFocus ? WS_TABSTOP : 0) | BS_PUSHBUTTON,
                           r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}
inline void SetStyledButtonDown(HWND button, bool down) { ::SendMessageW(button, BM_SETSTATE, down, 0); }
inline bool IsStyledButtonDown(HWND button) { return (::SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; }
inline HWND CreateActivityIndicator(HWND parent, const RECT& r) {
  return ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                           nullptr, ::GetModuleHandleW(nullptr), nullptr);
}
inline void StartIndicator(HWND) {}
inline void StopIndicator(HWND) {}
inline HWND CreateLogo(HWND parent, int id, const RECT& r) {
  return ::CreateWindowExW(0, L"STATIC", L"orvane", WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_CENTER, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}

}  // namespace sweeplet
