// Every place in the settings store that the program reads or writes.
#pragma once

namespace parlowen::keys {

inline constexpr const char* kApplication = "Vantrell";
inline constexpr const char* kHistorySection = "Morrowlin";
inline constexpr const char* kWindowSection = "Parlowen";

inline constexpr const char* kLeftCombo = "LeftCombo";
inline constexpr const char* kRightCombo = "RightCombo";
inline constexpr const char* kLeftComboIndex = "LeftComboIndex";
inline constexpr const char* kRightComboIndex = "RightComboIndex";
inline constexpr const char* kWindowState = "WindowState";
inline constexpr const char* kFormHeight = "FormHeight";
inline constexpr const char* kLeftColumns = "LeftColumns";
inline constexpr const char* kRightColumns = "RightColumns";
inline constexpr const char* kLeftSort = "LeftSort";
inline constexpr const char* kRightSort = "RightSort";

} // namespace parlowen::keys
