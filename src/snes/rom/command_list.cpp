#include "snes/rom/command_list.h"

#include <algorithm>

namespace tilora::rom {
namespace {

constexpr std::uint8_t kEnd = 0;
constexpr std::uint8_t kRegister = 1;
constexpr std::uint8_t kDma = 2;

constexpr std::uint16_t kVmain = 0x2115;
constexpr std::uint16_t kVmaddLow = 0x2116;
constexpr std::uint16_t kVmaddHigh = 0x2117;
constexpr std::uint16_t kCgadd = 0x2121;
constexpr std::uint8_t kVramDataLow = 0x18;
constexpr std::uint8_t kVramDataHigh = 0x19;
constexpr std::uint8_t kCgramData = 0x22;
constexpr std::uint8_t kOneRegister = 0x00;
constexpr std::uint8_t kTwoRegisters = 0x01;
constexpr std::uint32_t kVramWords = 0x8000;

}  // namespace

void CommandList::Register(std::uint16_t address, std::uint8_t value) {
  bytes_.insert(bytes_.end(), {kRegister, static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(address >> 8), value});
}

void CommandList::RegisterTwice(std::uint16_t address, std::uint16_t value) {
  Register(address, static_cast<std::uint8_t>(value & 0xFF));
  Register(address, static_cast<std::uint8_t>(value >> 8));
}

void CommandList::Dma(std::uint8_t mode, std::uint8_t bbus, std::uint32_t source, std::uint16_t length) {
  bytes_.insert(bytes_.end(), {kDma, mode, bbus, static_cast<std::uint8_t>(source & 0xFF),
                               static_cast<std::uint8_t>(source >> 8 & 0xFF), static_cast<std::uint8_t>(source >> 16),
                               static_cast<std::uint8_t>(length & 0xFF), static_cast<std::uint8_t>(length >> 8)});
}

void CommandList::LoadVram(CartridgeImage& image, std::uint32_t at, VramWrite how, std::span<const std::uint8_t> bytes) {
  const bool words = how == VramWrite::Words;
  // Increment after the high byte, except when only low bytes are written.
  Register(kVmain, how == VramWrite::LowBytes ? 0x00 : 0x80);
  for (const Piece& piece : image.PlaceSpread(bytes)) {
    // The word address wraps at 64 KiB; a transfer does not, so it stops there.
    for (std::size_t done = 0; done < piece.length;) {
      const std::uint32_t word = (words ? (at + piece.offset + done) / 2 : at + piece.offset + done) % kVramWords;
      const std::size_t room = (kVramWords - word) * (words ? 2 : 1);
      const auto length = static_cast<std::uint16_t>(std::min(room, piece.length - done));
      Register(kVmaddLow, static_cast<std::uint8_t>(word & 0xFF));
      Register(kVmaddHigh, static_cast<std::uint8_t>(word >> 8));
      Dma(words ? kTwoRegisters : kOneRegister, how == VramWrite::HighBytes ? kVramDataHigh : kVramDataLow,
          piece.address + static_cast<std::uint32_t>(done), length);
      done += length;
    }
  }
}

void CommandList::LoadCgram(CartridgeImage& image, int entry, std::span<const std::uint8_t> bytes) {
  for (const Piece& piece : image.PlaceSpread(bytes)) {
    Register(kCgadd, static_cast<std::uint8_t>(entry + static_cast<int>(piece.offset / 2)));
    Dma(kOneRegister, kCgramData, piece.address, static_cast<std::uint16_t>(piece.length));
  }
}

std::vector<std::uint8_t> CommandList::Bytes() const {
  std::vector<std::uint8_t> bytes = bytes_;
  bytes.push_back(kEnd);
  return bytes;
}

}  // namespace tilora::rom
