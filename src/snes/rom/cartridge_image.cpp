#include "snes/rom/cartridge_image.h"

#include <algorithm>

namespace tilora::rom {
namespace {

constexpr std::size_t kHeader = 0x7FC0;  // bank 0's last 64 bytes: header and vectors
constexpr std::size_t kTitleLength = 21;
constexpr std::size_t kSmallest = kBankSize;

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t word) {
  bytes[at] = static_cast<std::uint8_t>(word & 0xFF);
  bytes[at + 1] = static_cast<std::uint8_t>(word >> 8);
}

}  // namespace

std::uint32_t LoRomAddress(std::size_t offset) {
  const auto bank = static_cast<std::uint32_t>(0x80 + offset / kBankSize);
  return bank << 16 | static_cast<std::uint32_t>(0x8000 + offset % kBankSize);
}

CartridgeImage::CartridgeImage(std::span<const std::uint8_t> program, std::size_t tableSize)
    : bytes_(program.begin(), program.end()), tableOffset_(program.size()), tableSize_(tableSize) {
  bytes_.resize(bytes_.size() + tableSize, 0);
  Align();
}

std::uint16_t CartridgeImage::TableAddress() const { return static_cast<std::uint16_t>(0x8000 + tableOffset_); }

void CartridgeImage::WriteTable(std::span<const std::uint8_t> table) {
  std::copy_n(table.begin(), std::min(table.size(), tableSize_), bytes_.begin() + static_cast<std::ptrdiff_t>(tableOffset_));
}

std::size_t CartridgeImage::Room() const {
  const std::size_t end = bytes_.size() < kBankSize ? kHeader : (bytes_.size() / kBankSize + 1) * kBankSize;
  return end - bytes_.size();
}

void CartridgeImage::SkipToNextBank() { bytes_.resize((bytes_.size() / kBankSize + 1) * kBankSize, 0); }

// Data goes to video memory a word at a time: pieces start and end even.
void CartridgeImage::Align() {
  if (bytes_.size() % 2) bytes_.push_back(0);
  if (bytes_.size() >= kHeader && bytes_.size() < kBankSize) SkipToNextBank();
}

std::uint32_t CartridgeImage::PlaceWhole(std::span<const std::uint8_t> bytes) {
  if (Room() < bytes.size()) SkipToNextBank();
  const std::uint32_t address = LoRomAddress(bytes_.size());
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  Align();
  return address;
}

std::vector<Piece> CartridgeImage::PlaceSpread(std::span<const std::uint8_t> bytes) {
  std::vector<Piece> pieces;
  for (std::size_t offset = 0; offset < bytes.size();) {
    if (Room() == 0) SkipToNextBank();
    const std::size_t length = std::min(Room(), bytes.size() - offset);
    pieces.push_back({LoRomAddress(bytes_.size()), offset, length});
    bytes_.insert(bytes_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                  bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
    offset += length;
    Align();
  }
  return pieces;
}

std::vector<std::uint8_t> CartridgeImage::Finish(const std::string& title, std::uint16_t reset, std::uint16_t nmi,
                                                  std::uint16_t ignore) const {
  std::size_t size = kSmallest;
  while (size < bytes_.size()) size *= 2;
  std::vector<std::uint8_t> image = bytes_;
  image.resize(size, 0);

  for (std::size_t i = 0; i < kTitleLength; ++i) {
    const char c = i < title.size() ? title[i] : ' ';
    image[kHeader + i] = static_cast<std::uint8_t>(c >= 0x20 && c < 0x7F ? c : '?');
  }
  image[0x7FD5] = 0x20;  // LoROM, slow ROM
  image[0x7FD6] = 0x00;  // ROM only
  std::uint8_t sizeCode = 0;
  while ((std::size_t{1024} << sizeCode) < size) ++sizeCode;
  image[0x7FD7] = sizeCode;  // 1 KiB << n
  image[0x7FD8] = 0x00;      // no cartridge RAM
  image[0x7FD9] = 0x01;      // North America: a 60 Hz console
  image[0x7FDA] = 0x00;
  image[0x7FDB] = 0x00;
  // Native mode: COP, BRK, ABORT, NMI, (unused), IRQ; emulation mode: COP,
  // (unused), ABORT, NMI, RESET, IRQ/BRK.
  const std::uint16_t native[] = {0, 0, ignore, ignore, ignore, nmi, ignore, ignore};
  const std::uint16_t emulation[] = {0, 0, ignore, ignore, ignore, ignore, reset, ignore};
  for (std::size_t i = 2; i < 8; ++i) {
    PutWord(image, 0x7FE0 + 2 * i, native[i]);
    PutWord(image, 0x7FF0 + 2 * i, emulation[i]);
  }
  // The checksum and its complement add to 0xFFFF, so their four bytes add
  // the same whatever the checksum: sum with a placeholder, then write it.
  PutWord(image, 0x7FDC, 0xFFFF);
  PutWord(image, 0x7FDE, 0x0000);
  std::uint16_t sum = 0;
  for (const std::uint8_t b : image) sum = static_cast<std::uint16_t>(sum + b);
  PutWord(image, 0x7FDC, static_cast<std::uint16_t>(~sum));
  PutWord(image, 0x7FDE, sum);
  return image;
}

}  // namespace tilora::rom
