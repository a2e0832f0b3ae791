#pragma once

// The command lists the cartridge's program runs: register writes and DMA
// transfers, in the byte form rom_program.s reads.

#include <cstdint>
#include <span>
#include <vector>

#include "snes/rom/cartridge_image.h"

namespace tilora::rom {

// How bytes reach video memory.
enum class VramWrite {
  Words,      // both bytes of each word, address in bytes
  LowBytes,   // the low byte of consecutive words (mode 7's map), address in words
  HighBytes,  // the high byte of consecutive words (mode 7's tiles), address in words
};

class CommandList {
 public:
  void Register(std::uint16_t address, std::uint8_t value);
  // A write-twice register given a 16-bit value, low byte first.
  void RegisterTwice(std::uint16_t address, std::uint16_t value);
  void Dma(std::uint8_t mode, std::uint8_t bbus, std::uint32_t source, std::uint16_t length);

  // Places bytes in the image and loads them into video memory from at.
  void LoadVram(CartridgeImage& image, std::uint32_t at, VramWrite how, std::span<const std::uint8_t> bytes);
  // Places bytes (colour words) in the image and loads them into colour
  // memory from entry.
  void LoadCgram(CartridgeImage& image, int entry, std::span<const std::uint8_t> bytes);

  // The list's bytes, ended.
  std::vector<std::uint8_t> Bytes() const;

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace tilora::rom
