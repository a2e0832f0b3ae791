#pragma once

// The picture unit's registers the builder's command lists write.

#include <cstdint>

namespace tilora::rom::reg {

inline constexpr std::uint16_t kObjectSettings = 0x2101;  // OBJSEL: size pair, name base
inline constexpr std::uint16_t kOamAddressLow = 0x2102;
inline constexpr std::uint16_t kOamAddressHigh = 0x2103;
inline constexpr std::uint16_t kBgMode = 0x2105;
inline constexpr std::uint16_t kBg1Map = 0x2107;          // BG1SC: map base, screens
inline constexpr std::uint16_t kBg12Characters = 0x210B;  // BG12NBA
inline constexpr std::uint16_t kMode7Settings = 0x211A;   // M7SEL
inline constexpr std::uint16_t kMainScreen = 0x212C;      // TM

inline constexpr std::uint8_t kOamData = 0x04;  // B-bus address of OAMDATA

}  // namespace tilora::rom::reg
