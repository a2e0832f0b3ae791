#include "snes/readback/output_files.h"

#include <new>

#include "io/io_error.h"

namespace tilora {
namespace {

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

Failure CannotRead(const IoError& e, const std::string& name) {
  Failure failure = e.failure();
  failure.message = "Cannot read file " + Quoted(name) + ".";
  return failure;
}

// The whole file, or why not: at most limit bytes, a whole number of units.
Result<std::vector<std::uint8_t>> WholeFileRead(ByteSource& source, const std::string& name, const char* what,
                                                std::int64_t limit, std::size_t unit, const char* unitName) {
  const std::int64_t size = source.Size();
  if (size == 0) return Refused("The " + std::string(what) + " file " + Quoted(name) + " is empty.");
  if (size > limit)
    return Refused("The " + std::string(what) + " file " + Quoted(name) + " holds " + std::to_string(size) +
                   " bytes; at most " + std::to_string(limit) + " are read.");
  if (static_cast<std::uint64_t>(size) % unit != 0)
    return Refused("The " + std::string(what) + " file " + Quoted(name) + " holds " + std::to_string(size) +
                   " bytes, not a whole number of " + unitName + ".");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  source.ReadExactlyAt(0, bytes.data(), bytes.size());
  return bytes;
}

// A file that shrinks while it is read, or a read that fails, is no
// exception to its caller.
Result<std::vector<std::uint8_t>> WholeFile(ByteSource& source, const std::string& name, const char* what,
                                            std::int64_t limit, std::size_t unit, const char* unitName) {
  try {
    return WholeFileRead(source, name, what, limit, unit, unitName);
  } catch (const IoError& e) {
    return CannotRead(e, name);
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

// Exactly size bytes, or why not.
Result<std::vector<std::uint8_t>> ExactFile(ByteSource& source, const std::string& name, const char* what,
                                            std::int64_t size) {
  std::int64_t actual = 0;
  try {
    actual = source.Size();
  } catch (const IoError& e) {
    return CannotRead(e, name);
  }
  if (actual != size)
    return Refused("The " + std::string(what) + " file " + Quoted(name) + " holds " + std::to_string(actual) +
                   " bytes, not the " + std::to_string(size) + " it always has.");
  return WholeFile(source, name, what, size, 1, "bytes");
}

std::vector<std::uint16_t> Words(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint16_t> words(bytes.size() / 2);
  for (std::size_t i = 0; i < words.size(); ++i)
    words[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return words;
}

template <typename Read>
auto FromPath(const std::string& path, Read&& read) -> decltype(read(std::declval<ByteSource&>())) {
  try {
    FileSource source(path);
    return read(source);
  } catch (const IoError& e) {
    return CannotRead(e, path);
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

}  // namespace

Result<std::vector<std::uint8_t>> ReadTileFile(ByteSource& source, const std::string& name, std::size_t tileBytes) {
  const std::string unit = std::to_string(tileBytes) + "-byte tiles";
  return WholeFile(source, name, "tiles", kMaxTileFileBytes, tileBytes, unit.c_str());
}

Result<std::vector<std::uint16_t>> ReadPaletteFile(ByteSource& source, const std::string& name) {
  Result<std::vector<std::uint8_t>> bytes = WholeFile(source, name, "palette", 512, 2, "2-byte colour words");
  if (const Failure* failure = bytes.IfFailed()) return *failure;
  std::vector<std::uint16_t> words = Words(*bytes);
  for (std::size_t i = 0; i < words.size(); ++i)
    if (words[i] & 0x8000U)
      return Refused("Colour " + std::to_string(i) + " of the palette file " + Quoted(name) +
                     " has bit 15 set; colour words are 15 bits.");
  return words;
}

Result<std::vector<std::uint16_t>> ReadMapFile(ByteSource& source, const std::string& name) {
  // Row-major maps of large pictures are more than the console shows at
  // once; they are read as a conversion writes them.
  Result<std::vector<std::uint8_t>> bytes = WholeFile(source, name, "map", kMaxMapFileBytes, 2, "2-byte entries");
  if (const Failure* failure = bytes.IfFailed()) return *failure;
  return Words(*bytes);
}

Result<std::vector<std::uint8_t>> ReadMode7MapFile(ByteSource& source, const std::string& name) {
  return ExactFile(source, name, "mode 7 map", kMode7MapBytes);
}

Result<std::vector<std::uint8_t>> ReadVideoMemoryFile(ByteSource& source, const std::string& name) {
  return ExactFile(source, name, "video memory", kMode7VideoMemoryBytes);
}

Result<std::vector<std::uint8_t>> ReadTileFile(const std::string& path, std::size_t tileBytes) {
  return FromPath(path, [&](ByteSource& source) { return ReadTileFile(source, path, tileBytes); });
}

Result<std::vector<std::uint16_t>> ReadPaletteFile(const std::string& path) {
  return FromPath(path, [&](ByteSource& source) { return ReadPaletteFile(source, path); });
}

Result<std::vector<std::uint16_t>> ReadMapFile(const std::string& path) {
  return FromPath(path, [&](ByteSource& source) { return ReadMapFile(source, path); });
}

Result<std::vector<std::uint8_t>> ReadMode7MapFile(const std::string& path) {
  return FromPath(path, [&](ByteSource& source) { return ReadMode7MapFile(source, path); });
}

Result<std::vector<std::uint8_t>> ReadVideoMemoryFile(const std::string& path) {
  return FromPath(path, [&](ByteSource& source) { return ReadVideoMemoryFile(source, path); });
}

}  // namespace tilora
