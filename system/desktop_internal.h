// The desktop's helper programs behind the system driver's file requesters and URL
// handler: zenity or kdialog, and xdg-open, started with an argument vector and never
// through a shell. Used by the system driver's files only; no platform library needed.
#pragma once

#include <cstdint>
#include <string>

// The chosen path, or empty when cancelled or when no dialog program runs here. The filter
// is "Name:ext,ext;Name:ext".
std::u16string RunFileDialog(const std::u16string& title, const std::u16string& filter, bool save,
                             const std::u16string& path);
std::u16string RunDirectoryDialog(const std::u16string& title, const std::u16string& path);
// 1 when xdg-open was started; text that would pass for an option is refused with 0.
int32_t StartUrlHandler(const std::u16string& url);
