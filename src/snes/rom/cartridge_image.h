#pragma once

// The bytes of a LoROM cartridge as they are laid out: the program at the
// start of bank 0, the data after it, the header at the end of bank 0.
// Banks are 32 KiB at $8000-$FFFF; a DMA cannot cross one, so data larger
// than what is left of a bank is placed in pieces.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tilora::rom {

// Bytes [offset, offset + length) of a placed block, at a 24-bit address.
struct Piece {
  std::uint32_t address = 0;
  std::size_t offset = 0;
  std::size_t length = 0;
};

inline constexpr std::size_t kBankSize = 0x8000;
inline constexpr std::size_t kLargestCartridge = 4 * 1024 * 1024;

class CartridgeImage {
 public:
  // The program at $00:8000, then reserved bytes right after it for the
  // table the program reads.
  CartridgeImage(std::span<const std::uint8_t> program, std::size_t tableSize);

  // Bank 0 address of the reserved table.
  std::uint16_t TableAddress() const;
  void WriteTable(std::span<const std::uint8_t> table);

  // Places bytes within one bank; their address. At most kBankSize.
  std::uint32_t PlaceWhole(std::span<const std::uint8_t> bytes);
  // Places bytes in as few pieces as the banks allow.
  std::vector<Piece> PlaceSpread(std::span<const std::uint8_t> bytes);

  // Bytes placed so far, the header area included when passed.
  std::size_t Used() const { return bytes_.size(); }

  // The finished image, padded to a power of two, with the header, the
  // vectors (reset, NMI, and everything else to an RTI) and the checksum.
  std::vector<std::uint8_t> Finish(const std::string& title, std::uint16_t reset, std::uint16_t nmi,
                                   std::uint16_t ignore) const;

 private:
  std::size_t Room() const;  // bytes left in the current bank
  void SkipToNextBank();
  std::uint32_t AddressOf(std::size_t offset) const;
  void Align();

  std::vector<std::uint8_t> bytes_;
  std::size_t tableOffset_ = 0;
  std::size_t tableSize_ = 0;
};

// The 24-bit address of a ROM offset, through the banks $80-$FF that map
// the whole 4 MiB (banks $7E and $7F are work memory).
std::uint32_t LoRomAddress(std::size_t offset);

}  // namespace tilora::rom
