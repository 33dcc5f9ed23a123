#pragma once
// The desktop program's texts that several windows show: its title, the version text, the page
// titles and tab names.

#include <array>

namespace velmar {

inline constexpr char kAppTitle[] = "Velmar Toolkit";
inline constexpr char kVersionText[] = "Ver 12.4.17";
inline constexpr unsigned kAboutCommand = 0x0010; // the About entry's command id

// The main window's caption for each page, by page index.
inline constexpr std::array<const char*, 4> kPageTitles = {
    "Velmar ToolKit - Device Database Convert",
    "Velmar ToolKit - Merge",
    "Velmar ToolKit - Read Database from device to PC",
    "Velmar ToolKit - Write Database from PC to device",
};
inline constexpr std::array<const char*, 4> kTabNames = {"Convert", "Merge", "Read", "Write"};

} // namespace velmar
