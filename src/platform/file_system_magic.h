// The statfs f_type numbers of the file systems Parlowen treats apart.
#pragma once

namespace parlowen::magic {

inline constexpr long kMsdos = 0x4d44;     // vfat and msdos, through the kernel
inline constexpr long kExfat = 0x2011BAB0; // exFAT through the kernel
inline constexpr long kFuse = 0x65735546;  // any FUSE file system, exFAT players among them

} // namespace parlowen::magic
