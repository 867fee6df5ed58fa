#pragma once

// The program's id on the desktop: the name of its desktop entry, icon and metainfo file,
// and what the desktop's portals know it by.
inline constexpr char ApplicationId[] = "pl.quorvel.Notella";
