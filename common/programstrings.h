// The program's fixed strings: the two names of its data folder, its three
// file names, the built-in service code, and where the virtual KORA-1 links
// its port. Windows-1252 (all plain ASCII).
#pragma once

namespace kora {

inline constexpr const char* kVendorName = "Quorvel";
inline constexpr const char* kProductName = "KORApc";
inline constexpr const char* kSettingsFileName = "korapc.ini";
inline constexpr const char* kAutoSelectFileName = "autoselect.asl";
inline constexpr const char* kPowerOnFileName = "poweron.dat";
// The instrument's ten-digit service-mode code.
inline constexpr const char* kServiceCodeText = "5173920468";

// The name of the virtual KORA-1's link in the runtime folder.
inline constexpr const char* kVirtualKoraLinkName = "ttyKORA1";

}  // namespace kora
