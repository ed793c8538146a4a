// The main window's class name and caption, by which the tests find a running Veskor.
#pragma once

namespace veskor {

inline constexpr wchar_t kMainWindowClass[] = L"VeskorMainWindow";
inline constexpr wchar_t kMainWindowCaption[] = L"Veskor";

} // namespace veskor
