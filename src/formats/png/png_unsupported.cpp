// For builds without libspng (the Windows cross-build: Debian has no
// libspng for MinGW): every PNG is refused with one clear message.

#include "formats/png/png_reader.h"
#include "formats/png/png_writer.h"

namespace tilora {
namespace {

[[noreturn]] void Refuse() { throw PngError("PNG pictures are not supported by this build of Tilora."); }

}  // namespace

bool PngSupported() noexcept { return false; }

Picture DecodePng(std::span<const std::uint8_t>) { Refuse(); }

struct PngDecoding::State {};
PngDecoding::PngDecoding(std::span<const std::uint8_t>) { Refuse(); }
PngDecoding::~PngDecoding() = default;
Picture PngDecoding::Shape() const { Refuse(); }
void PngDecoding::RefuseWhatTheFileCannotHold() const { Refuse(); }
bool PngDecoding::RowsInOrder() const { Refuse(); }
void PngDecoding::DecodePixels(Picture&, RowsArriving*) { Refuse(); }

std::vector<std::uint8_t> EncodePngRgb(std::int32_t, std::int32_t, std::span<const Rgb>) { Refuse(); }

std::vector<std::uint8_t> EncodePngIndexed(const Picture&) { Refuse(); }

std::vector<std::uint8_t> EncodePngIndexedStored(std::int32_t, std::int32_t, std::span<const std::uint8_t>,
                                                 std::span<const Rgb>) {
  Refuse();
}

}  // namespace tilora
