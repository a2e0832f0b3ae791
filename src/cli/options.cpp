#include "cli/options.h"

#include <charconv>
#include <functional>
#include <set>
#include <utility>

#include "convert/shared_conversion.h"

namespace tilora::cli {
namespace {

// An option's value as given; the error text that stops the run, or empty.
using Apply = std::function<std::string(CommandLine&, const std::string& value)>;

struct OptionSpec {
  const char* name;
  const char* alias;  // another spelling, or nullptr
  const char* value;  // what --help calls the value; nullptr for a flag
  const char* help;   // lines after the first are indented under it
  Apply apply;
};

std::optional<long> Number(const std::string& text) {
  long value = 0;
  const char* end = text.data() + text.size();
  const auto [at, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || at != end || text.empty()) return std::nullopt;
  return value;
}

Apply Flag(bool CommandLine::*field) {
  return [field](CommandLine& c, const std::string&) {
    c.*field = true;
    return std::string();
  };
}

Apply SettingFlag(std::function<void(ConversionSettings&)> set) {
  return [set](CommandLine& c, const std::string&) {
    set(c.settings);
    return std::string();
  };
}

// A whole number within the range, given to the setting.
Apply Ranged(const SettingRange& range, std::function<void(ConversionSettings&, int)> set) {
  return [range, set](CommandLine& c, const std::string& value) {
    const auto n = Number(value);
    if (!n || *n < range.low || *n > range.high) return RangeText(range, value);
    set(c.settings, static_cast<int>(*n));
    return std::string();
  };
}

Apply FileName(std::function<void(CommandLine&, const std::string&)> set) {
  return [set](CommandLine& c, const std::string& value) {
    set(c, value);
    return std::string();
  };
}

// Two whole numbers joined by separator ("32x32", "8,16").
std::optional<std::pair<int, int>> Pair(const std::string& text, char separator) {
  const auto at = text.find(separator);
  if (at == std::string::npos) return std::nullopt;
  const auto first = Number(text.substr(0, at));
  const auto second = Number(text.substr(at + 1));
  if (!first || !second || *first < 0 || *second < 0 || *first > 65535 || *second > 65535) return std::nullopt;
  return std::pair<int, int>{static_cast<int>(*first), static_cast<int>(*second)};
}

sprites::SpriteSettings& Sprites(CommandLine& c) {
  if (!c.settings.sprites) c.settings.sprites.emplace();
  return *c.settings.sprites;
}

// A sprite option, applied whether or not --sprites came first; without it
// the command is refused once all options are read.
Apply SpriteOption(const char* name, std::function<std::string(sprites::SpriteSettings&, const std::string&)> set) {
  return [name, set](CommandLine& c, const std::string& value) {
    c.spriteOptions.push_back(name);
    return set(Sprites(c), value);
  };
}

std::string TakeColour(const std::string& text, std::optional<std::uint32_t>& out) {
  const std::string hex = text.rfind('#', 0) == 0 ? text.substr(1) : text;
  std::uint32_t value = 0;
  const char* end = hex.data() + hex.size();
  const auto [at, ec] = std::from_chars(hex.data(), end, value, 16);
  if (hex.size() != 6 || ec != std::errc() || at != end)
    return "--colour-zero takes a colour as six hexadecimal digits RRGGBB, not '" + text + "'";
  out = value;
  return {};
}

std::string TakeSize(const std::string& text, int& width, int& height) {
  const auto x = text.find('x');
  const auto w = x == std::string::npos ? std::nullopt : Number(text.substr(0, x));
  const auto h = x == std::string::npos ? std::nullopt : Number(text.substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > 8192 || *h > 8192)
    return "--size takes a width and a height from 1 to 8192 as WxH, not '" + text + "'";
  width = static_cast<int>(*w);
  height = static_cast<int>(*h);
  return {};
}

const std::vector<OptionSpec>& Options() {
  static const std::vector<OptionSpec> options = {
      {"--name", nullptr, "BASE",
       "base name of the outputs (one picture only), relative to\n"
       "the current folder; default: the picture's path without\n"
       "its extension",
       FileName([](CommandLine& c, const std::string& v) { c.name = v; })},
      {"--bpp", nullptr, "2|4|8", "output bits per pixel (default: the picture's own)",
       [](CommandLine& c, const std::string& v) {
         if (v != "2" && v != "4" && v != "8") return DepthText(v);
         c.settings.bpp = v[0] - '0';
         return std::string();
       }},
      {"--map", nullptr, nullptr, "store each distinct tile once and write the map",
       SettingFlag([](ConversionSettings& s) { s.tiles.map = true; })},
      {"--no-flip", nullptr, nullptr, "with --map: merge identical tiles only, not mirrored",
       SettingFlag([](ConversionSettings& s) { s.tiles.flips = false; })},
      {"--tile-base", nullptr, "N", "with --map: add N (0-1023) to every tile number",
       Ranged(kTileBaseRange, [](ConversionSettings& s, int n) { s.tiles.tileBase = n; })},
      {"--palette-base", nullptr, "N", "with --map: add N (0-7) to every palette number",
       Ranged(kPaletteBaseRange, [](ConversionSettings& s, int n) { s.tiles.paletteBase = n; })},
      {"--priority", nullptr, nullptr, "with --map: set the priority bit of every entry",
       SettingFlag([](ConversionSettings& s) { s.tiles.priority = true; })},
      {"--blank-tile", nullptr, nullptr, "with --map: tile 0 is all colour 0",
       SettingFlag([](ConversionSettings& s) { s.tiles.blankTile = true; })},
      {"--screens", nullptr, nullptr, "with --map: whole 32x32 screens, in the console's order",
       SettingFlag([](ConversionSettings& s) { s.tiles.screens = true; })},
      {"--tile-size", nullptr, "8|16",
       "with --map: 16 makes each map entry a 16x16 block\n"
       "of tiles n, n+1, n+16, n+17 (default 8)",
       [](CommandLine& c, const std::string& v) {
         if (v != "8" && v != "16") return TileSizeText(v);
         c.settings.tiles.tileSize = v == "8" ? 8 : 16;
         return std::string();
       }},
      {"--mode7", nullptr, nullptr, "8-bit chunky tiles and a 128x128 byte map",
       SettingFlag([](ConversionSettings& s) { s.tiles.mode7 = true; })},
      {"--interleave", nullptr, nullptr, "with --mode7: write the 32 KiB BASE.vram instead",
       SettingFlag([](ConversionSettings& s) { s.tiles.interleave = true; })},
      {"--preview", nullptr, "FILE.png", "also write the picture as the console shows it",
       FileName([](CommandLine& c, const std::string& v) { c.settings.preview = v; })},
      {"--tiles-png", nullptr, "FILE.png", "also write the stored tiles as a sheet, 16 across",
       FileName([](CommandLine& c, const std::string& v) { c.settings.tilesPng = v; })},
      {"--rom", nullptr, "FILE.sfc", "also write a cartridge that shows it on the console",
       FileName([](CommandLine& c, const std::string& v) { c.settings.rom = v; })},
      {"--palettes", nullptr, "N",
       "make N (1-8) sub-palettes for a truecolour picture (an\n"
       "indexed one given this is treated as truecolour)",
       Ranged(kPalettesRange, [](ConversionSettings& s, int n) { s.subPalettes.palettes = n; })},
      {"--colours", nullptr, "C",
       "colours per sub-palette, colour 0 included (default:\n"
       "16 at 4 bpp, 4 at 2 bpp, 256 at 8 bpp)",
       Ranged(kColoursRange, [](ConversionSettings& s, int n) { s.subPalettes.colours = n; })},
      {"--colour-zero", nullptr, "RRGGBB", "colour 0, the backdrop; pixels of exactly it take it",
       [](CommandLine& c, const std::string& v) { return TakeColour(v, c.settings.subPalettes.colourZero); }},
      {"--lossy", nullptr, nullptr, "when the colours do not fit, reduce them (CIEDE2000)",
       SettingFlag([](ConversionSettings& s) { s.subPalettes.lossy = true; })},
      {"--dither", nullptr, nullptr, "with --lossy: error diffusion within each tile",
       SettingFlag([](ConversionSettings& s) { s.subPalettes.dither = true; })},
      {"--palette-png", nullptr, "FILE", "also write the sub-palettes as rows of swatches",
       FileName([](CommandLine& c, const std::string& v) { c.settings.palettePng = v; })},
      {"--sprites", nullptr, "WxH",
       "make the picture a sheet of WxH frames of sprites:\n"
       "objects, their tiles (BASE.bin), sub-palettes (BASE.plt)\n"
       "and metasprite tables (BASE.oam)",
       [](CommandLine& c, const std::string& v) {
         const auto size = Pair(v, 'x');
         if (!size) return "--sprites takes a frame size WxH such as 32x32, not '" + v + "'";
         Sprites(c).frameWidth = size->first;
         Sprites(c).frameHeight = size->second;
         c.spritesGiven = true;
         return std::string();
       }},
      {"--obj-sizes", nullptr, "S,L", "with --sprites: the small and large object sizes\n(default 8,16)",
       SpriteOption("--obj-sizes", [](sprites::SpriteSettings& s, const std::string& v) -> std::string {
         const auto sizes = Pair(v, ',');
         if (!sizes || !sprites::SizeSelect({sizes->first, sizes->second}))
           return "--obj-sizes takes one of the console's pairs 8,16 8,32 8,64 16,32 16,64 32,64, not '" + v + "'";
         s.sizes = {sizes->first, sizes->second};
         return {};
       })},
      {"--origin", nullptr, "X,Y", "with --sprites: each frame's anchor (default top-left)",
       SpriteOption("--origin", [](sprites::SpriteSettings& s, const std::string& v) -> std::string {
         const auto origin = Pair(v, ',');
         if (!origin) return "--origin takes a point X,Y within the frame, not '" + v + "'";
         s.originX = origin->first;
         s.originY = origin->second;
         return {};
       })},
      {"--obj-priority", nullptr, "N", "with --sprites: every object's priority, 0-3 (default 2)",
       SpriteOption("--obj-priority", [](sprites::SpriteSettings& s, const std::string& v) -> std::string {
         const auto n = Number(v);
         if (!n || *n < 0 || *n > 3) return "--obj-priority takes a whole number from 0 to 3, not '" + v + "'";
         s.priority = static_cast<int>(*n);
         return {};
       })},
      {"--drop-empty", nullptr, nullptr, "with --sprites: leave wholly transparent frames out of\nthe tables",
       SpriteOption("--drop-empty", [](sprites::SpriteSettings& s, const std::string&) -> std::string {
         s.dropEmpty = true;
         return {};
       })},
      {"--oam-asm", nullptr, "FILE.inc", "with --sprites: also write the tables as ca65 source",
       FileName([](CommandLine& c, const std::string& v) { c.settings.oamAsm = v; })},
      {"--shared", nullptr, "BASE",
       "one tileset BASE.bin and palette BASE.plt for all the\n"
       "pictures, a map for each (implies --map); --preview\n"
       "then names a folder for a preview of each",
       FileName([](CommandLine& c, const std::string& v) { c.shared = v; })},
      {"--map-dir", nullptr, "DIR", "with --shared: write each map as DIR/NAME.map",
       FileName([](CommandLine& c, const std::string& v) { c.mapDir = v; })},
      {"--in-tiles", nullptr, "FILE",
       "with --map or --shared and --bpp: tiles already in\n"
       "video memory, kept first; the pictures use them",
       FileName([](CommandLine& c, const std::string& v) { c.inTiles = v; })},
      {"--in-palette", nullptr, "FILE",
       "with --map or --shared: sub-palettes already in colour\n"
       "memory, kept first; tiles use them where they fit",
       FileName([](CommandLine& c, const std::string& v) { c.inPalette = v; })},
      {"--max-tiles", nullptr, "N", "refuse a conversion that needs more than N tiles",
       Ranged(kMaxTilesRange, [](ConversionSettings& s, int n) { s.maxTiles = n; })},
      {"--render", nullptr, "FILE.png",
       "draw TILES PALETTE [MAP] (given instead of pictures) as\n"
       "the console shows them, with the options they were made\n"
       "with",
       FileName([](CommandLine& c, const std::string& v) { c.render = v; })},
      {"--columns", nullptr, "N",
       "with --render: the map's entries across (1-1024);\n"
       "without a map, the tiles across",
       [](CommandLine& c, const std::string& v) {
         const auto n = Number(v);
         if (!n || *n < 1 || *n > 1024) return "--columns takes a whole number from 1 to 1024, not '" + v + "'";
         c.columns = static_cast<int>(*n);
         return std::string();
       }},
      {"--size", nullptr, "WxH", "with --render: draw only the top-left W x H pixels",
       [](CommandLine& c, const std::string& v) { return TakeSize(v, c.width, c.height); }},
      {"-j", nullptr, "N", "convert N pictures at a time (default: one per core)",
       [](CommandLine& c, const std::string& v) {
         const auto n = Number(v);
         if (!n || *n < 1 || *n > 256) return "-j takes a whole number from 1 to 256, not '" + v + "'";
         c.jobs = static_cast<int>(*n);
         return std::string();
       }},
      {"--info", nullptr, nullptr, "describe each picture: size, colours, tiles, palettes",
       Flag(&CommandLine::info)},
      {"--help", "-h", nullptr, "show this help", Flag(&CommandLine::help)},
      {"--version", nullptr, nullptr, "show the version", Flag(&CommandLine::version)},
  };
  return options;
}

const OptionSpec* Find(const std::string& key) {
  for (const OptionSpec& o : Options())
    if (key == o.name || (o.alias && key == o.alias)) return &o;
  return nullptr;
}

// The first option given that only a conversion takes, or nullptr.
const char* ConversionOnly(const CommandLine& c) {
  const ConversionSettings& s = c.settings;
  const SubPaletteSettings& p = s.subPalettes;
  const std::pair<bool, const char*> options[] = {
      {c.name.has_value(), "--name"},      {c.info, "--info"},          {c.jobs != 0, "-j"},
      {s.tiles.map, "--map"},              {!s.tiles.flips, "--no-flip"}, {s.tiles.priority, "--priority"},
      {s.tiles.blankTile, "--blank-tile"}, {!s.preview.empty(), "--preview"}, {!s.rom.empty(), "--rom"},
      {!s.tilesPng.empty(), "--tiles-png"}, {!s.palettePng.empty(), "--palette-png"},
      {p.palettes != 0, "--palettes"},     {p.colours != 0, "--colours"}, {p.colourZero.has_value(), "--colour-zero"},
      {p.lossy, "--lossy"},                {p.dither, "--dither"}};
  for (const auto& [given, name] : options)
    if (given) return name;
  return nullptr;
}

// What --render cannot do as asked: an option of conversions, the wrong
// number of files, or what the files do not say themselves.
std::string RenderConflicts(const CommandLine& c) {
  if (const char* option = ConversionOnly(c))
    return std::string("--render draws outputs already made; ") + option + " does not apply";
  const TileOptions& t = c.settings.tiles;
  const std::size_t files = c.pictures.size();
  const std::string count = ", not " + std::to_string(files) + (files == 1 ? " file" : " files");
  if (t.mode7 && t.interleave) {
    if (files != 2) return "--render with --mode7 --interleave takes VRAM PALETTE" + count;
  } else if (t.mode7) {
    if (files != 3) return "--render with --mode7 takes TILES PALETTE MAP" + count;
  } else if (files != 2 && files != 3) {
    return "--render takes TILES PALETTE [MAP]" + count;
  }
  const bool map = files == 3 && !t.mode7;
  if (!map && !t.mode7) {
    const std::pair<bool, const char*> mapOnly[] = {{t.tileBase != 0, "--tile-base"},
                                                    {t.paletteBase != 0, "--palette-base"},
                                                    {t.screens, "--screens"},
                                                    {t.tileSize != 8, "--tile-size 16"}};
    for (const auto& [given, name] : mapOnly)
      if (given) return std::string(name) + " needs a map: --render takes it as the third file";
  }
  ConversionSettings settings = c.settings;
  settings.tiles.map = map;
  if (auto problem = CheckSettings(settings)) return problem->message;
  if (t.mode7) {
    if (c.columns) return "--mode7's map is 128 entries across; --columns does not apply";
    return {};
  }
  if (!c.settings.bpp) return "--render needs --bpp: a tiles file does not say its depth";
  if (t.screens && c.columns && c.columns != 32 && c.columns != 64)
    return "with --screens a map is 32 or 64 entries across, not " + std::to_string(c.columns) + " (--columns)";
  if (!c.columns)
    return map ? "--render needs --columns: a map file does not say its width"
               : "--render needs --columns: the tiles file does not say how many lie across";
  return {};
}

// The conflicts between options that are the converter's own: what the
// settings check cannot know.
std::string JointConflicts(const CommandLine& c) {
  const ConversionSettings& s = c.settings;
  if (c.mapDir && !c.shared) return "--map-dir needs --shared";
  if (c.shared) {
    if (c.name) return "--shared names the tiles and palette itself; --name does not apply";
    if (s.tiles.mode7) return "--shared makes background maps; --mode7 does not apply";
    if (c.pictures.size() > kMaxSharedPictures)
      return "--shared takes at most " + std::to_string(kMaxSharedPictures) + " pictures, not " +
             std::to_string(c.pictures.size());
  }
  for (const auto& [option, file] : {std::pair{"--in-tiles", &c.inTiles}, std::pair{"--in-palette", &c.inPalette}}) {
    if (file->empty()) continue;
    if (!c.shared && !s.tiles.map) return std::string(option) + " needs --map or --shared";
    if (!c.shared && c.pictures.size() > 1) return std::string(option) + " takes one picture, or several with --shared";
  }
  if (!c.inTiles.empty()) {
    if (!s.bpp) return "--in-tiles needs --bpp: the size of its tiles depends on the depth";
    if (s.tiles.blankTile) return "--blank-tile does not apply with --in-tiles: tile 0 is the first existing tile";
  }
  if (!c.inPalette.empty() && s.subPalettes.lossy) return "--lossy cannot be combined with --in-palette";
  if (c.Joint() && s.tiles.tileSize != 8) return kSharedTileSizeText;
  return {};
}

std::string CommandConflicts(const CommandLine& c) {
  if (!c.render.empty()) return RenderConflicts(c);
  if (c.columns) return "--columns needs --render";
  if (c.width) return "--size needs --render";
  const ConversionSettings& s = c.settings;
  if (!c.spritesGiven && !c.spriteOptions.empty()) return c.spriteOptions.front() + " needs --sprites";
  if (c.spritesGiven && c.Joint())
    return "--sprites makes each sheet's own tiles; --shared, --in-tiles and --in-palette do not apply";
  const bool outputs = c.name || c.mapDir || !s.preview.empty() || !s.palettePng.empty() || !s.tilesPng.empty() ||
                       !s.rom.empty() || s.tiles.map || s.tiles.mode7;
  if (c.info && outputs) return "--info prints descriptions only; it takes no output options";
  if (c.info && s.maxTiles) return "--max-tiles limits a conversion; --info converts nothing";
  if (c.pictures.empty()) return "no picture given";
  if (auto joint = JointConflicts(c); !joint.empty()) return joint;
  if (c.pictures.size() > 1 && !c.shared) {
    if (c.name) return "--name takes one picture only";
    if (!s.preview.empty()) return "--preview takes one picture only";
    if (!s.palettePng.empty()) return "--palette-png takes one picture only";
    if (!s.tilesPng.empty()) return "--tiles-png takes one picture only";
    if (!s.rom.empty()) return "--rom takes one picture only";
  }
  return {};
}

}  // namespace

Parsed ParseCommandLine(const std::vector<std::string>& args) {
  Parsed parsed;
  CommandLine& c = parsed.command;
  std::set<const OptionSpec*> given;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      c.pictures.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (!c.pictures.empty()) {
      parsed.error = "option '" + arg + "' after a picture: options come before the pictures";
      return parsed;
    }
    const auto eq = arg.find('=');
    const bool joined = arg.rfind("--", 0) == 0 && eq != std::string::npos;
    const std::string key = joined ? arg.substr(0, eq) : arg;
    const OptionSpec* option = Find(key);
    if (!option || (!option->value && joined)) {
      parsed.error = "unknown option '" + arg + "'";
      return parsed;
    }
    // The same option twice is a mistake of a script whatever it says:
    // which of the two would count is not obvious to its reader.
    if (!given.insert(option).second) {
      parsed.error = std::string(option->name) + " given twice";
      return parsed;
    }
    std::string value;
    if (option->value) {
      if (joined) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        parsed.error = key + " needs a value";
        return parsed;
      }
      // A script's empty variable must not quietly drop an output or name
      // hidden files.
      if (value.empty()) {
        parsed.error = key + " needs a value, not an empty one";
        return parsed;
      }
    }
    parsed.error = option->apply(c, value);
    if (!parsed.error.empty()) return parsed;
    if (c.help || c.version) return parsed;
  }
  parsed.error = CommandConflicts(c);
  if (c.shared) c.settings.tiles.map = true;
  if (parsed.error.empty() && (!c.info || c.Joint()) && c.render.empty()) {
    if (auto problem = CheckSettings(c.settings)) parsed.error = problem->message;
  }
  return parsed;
}

std::string UsageText() {
  std::string text =
      "Usage: tilora-convert [OPTION]... PICTURE...\n"
      "       tilora-convert --shared BASE [OPTION]... PICTURE...\n"
      "       tilora-convert --info [--bpp N] PICTURE...\n"
      "       tilora-convert --render FILE.png [OPTION]... TILES PALETTE [MAP]\n"
      "\n"
      "Converts BMP and PNG pictures into planar 8x8 tile data (BASE.bin), 15-bit\n"
      "palette words (BASE.plt) and, with --map, a tilemap (BASE.map); with --shared,\n"
      "one tileset and palette for all the pictures and a map for each. Options come\n"
      "before the pictures.\n"
      "\n";
  constexpr std::size_t kHelpColumn = 23;
  for (const OptionSpec& o : Options()) {
    std::string head = std::string("  ") + o.name + (o.value ? std::string(" ") + o.value : std::string());
    head.resize(std::max(head.size() + 1, kHelpColumn), ' ');
    std::string help = o.help;
    for (std::size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1))
      help.insert(at + 1, std::string(kHelpColumn, ' '));
    text += head + help + "\n";
  }
  text += "\nExit status: 0 all converted, 1 a picture failed or was refused, 2 usage error.\n";
  return text;
}

}  // namespace tilora::cli
