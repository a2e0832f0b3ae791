#include "cli/options.h"

#include <charconv>
#include <functional>
#include <map>

namespace tilora::cli {
namespace {

std::optional<long> Number(const std::string& text) {
  long value = 0;
  const char* end = text.data() + text.size();
  const auto [at, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || at != end || text.empty()) return std::nullopt;
  return value;
}

// A whole number within [low, high], or a usage error naming the option.
std::string TakeNumber(const std::string& option, const std::string& text, long low, long high, int& out) {
  const auto value = Number(text);
  if (!value || *value < low || *value > high)
    return option + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
           ", not '" + text + "'";
  out = static_cast<int>(*value);
  return {};
}

std::string TakeColour(const std::string& text, std::optional<std::uint32_t>& out) {
  std::string hex = text.rfind('#', 0) == 0 ? text.substr(1) : text;
  std::uint32_t value = 0;
  const char* end = hex.data() + hex.size();
  const auto [at, ec] = std::from_chars(hex.data(), end, value, 16);
  if (hex.size() != 6 || ec != std::errc() || at != end)
    return "--colour-zero takes a colour as six hexadecimal digits RRGGBB, not '" + text + "'";
  out = value;
  return {};
}

// The conflicts between options that were each well formed.
std::string Conflicts(const Options& o) {
  const bool outputs = o.name || o.preview || o.palettePng || o.rom || o.map || o.mode7;
  if (o.info && outputs) return "--info prints descriptions only; it takes no output options";
  if (o.pictures.empty()) return "no picture given";
  if (o.pictures.size() > 1) {
    if (o.name) return "--name takes one picture only";
    if (o.preview) return "--preview takes one picture only";
    if (o.palettePng) return "--palette-png takes one picture only";
    if (o.rom) return "--rom takes one picture only";
  }
  if (o.mode7) {
    if (o.bpp && o.bpp != 8) return "--mode7 makes 8-bit tiles; it cannot be combined with --bpp " + std::to_string(o.bpp);
    if (o.noFlip) return "--mode7 tiles have no flips; --no-flip does not apply";
    if (o.tileBase || o.paletteBase || o.priority || o.screens || o.blankTile)
      return "--mode7 has its own fixed map; --tile-base, --palette-base, --priority, --screens and --blank-tile do not apply";
    if (o.palettes && *o.palettes > 1) return "--mode7 has one palette; --palettes must be 1";
  } else {
    if (o.interleave) return "--interleave needs --mode7";
    if (!o.map) {
      if (o.noFlip) return "--no-flip needs --map";
      if (o.tileBase) return "--tile-base needs --map";
      if (o.paletteBase) return "--palette-base needs --map";
      if (o.priority) return "--priority needs --map";
      if (o.blankTile) return "--blank-tile needs --map";
      if (o.screens) return "--screens needs --map";
    }
  }
  if (o.map && o.mode7) return "--mode7 makes its own map; --map does not apply";
  if (o.bpp == 8 && o.paletteBase) return "--palette-base does not apply at 8 bits per pixel";
  if (!o.palettes) {
    if (o.colours) return "--colours needs --palettes";
    if (o.lossy) return "--lossy needs --palettes";
    if (o.colourZero) return "--colour-zero needs --palettes";
    if (o.palettePng) return "--palette-png needs --palettes";
  }
  if (o.dither && !o.lossy) return "--dither needs --lossy";
  if (o.palettes && *o.palettes > 1 && (o.bpp == 8 || o.mode7)) return "8-bit tiles have one palette; --palettes must be 1";
  if (o.colours) {
    const int most = o.mode7 || o.bpp == 8 ? 256 : o.bpp == 2 ? 4 : 16;
    if (*o.colours > most)
      return "--colours " + std::to_string(*o.colours) + " is more than the " + std::to_string(most) +
             " colours of a palette at this depth";
  }
  return {};
}

}  // namespace

Parsed ParseOptions(const std::vector<std::string>& args) {
  Parsed parsed;
  Options& o = parsed.options;
  using Valued = std::function<std::string(const std::string& option, const std::string& value)>;
  const auto text = [](std::optional<std::string>& field) {
    return Valued([&field](const std::string& option, const std::string& value) {
      if (field) return option + " given twice";
      field = value;
      return std::string();
    });
  };
  const auto number = [](std::optional<int>& field, long low, long high) {
    return Valued([&field, low, high](const std::string& option, const std::string& value) {
      if (field) return option + " given twice";
      int n = 0;
      std::string error = TakeNumber(option, value, low, high, n);
      if (error.empty()) field = n;
      return error;
    });
  };
  const std::map<std::string, Valued> valued = {
      {"--name", text(o.name)},
      {"--preview", text(o.preview)},
      {"--palette-png", text(o.palettePng)},
      {"--rom", text(o.rom)},
      {"--bpp", [&o](const std::string& option, const std::string& value) {
         if (value != "2" && value != "4" && value != "8") return option + " takes 2, 4 or 8, not '" + value + "'";
         o.bpp = value[0] - '0';
         return std::string();
       }},
      {"--tile-base", number(o.tileBase, 0, 1023)},
      {"--palette-base", number(o.paletteBase, 0, 7)},
      {"--palettes", number(o.palettes, 1, 8)},
      {"--colours", number(o.colours, 2, 256)},
      {"--colour-zero", [&o](const std::string&, const std::string& value) { return TakeColour(value, o.colourZero); }},
      {"-j", [&o](const std::string& option, const std::string& value) {
         return TakeNumber(option, value, 1, 256, o.jobs);
       }},
  };
  const std::map<std::string, bool*> flags = {
      {"--help", &o.help},       {"-h", &o.help},           {"--version", &o.version}, {"--info", &o.info},
      {"--map", &o.map},         {"--no-flip", &o.noFlip},  {"--priority", &o.priority},
      {"--blank-tile", &o.blankTile}, {"--screens", &o.screens}, {"--mode7", &o.mode7},
      {"--interleave", &o.interleave}, {"--lossy", &o.lossy}, {"--dither", &o.dither},
  };

  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      o.pictures.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (!o.pictures.empty()) {
      parsed.error = "option '" + arg + "' after a picture: options come before the pictures";
      return parsed;
    }
    const auto eq = arg.find('=');
    const std::string key = arg.rfind("--", 0) == 0 && eq != std::string::npos ? arg.substr(0, eq) : arg;
    if (const auto flag = flags.find(key); flag != flags.end() && key == arg) {
      *flag->second = true;
      if (o.help || o.version) return parsed;
    } else if (const auto option = valued.find(key); option != valued.end()) {
      std::string value;
      if (key != arg) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        parsed.error = key + " needs a value";
        return parsed;
      }
      parsed.error = option->second(key, value);
      if (!parsed.error.empty()) return parsed;
    } else {
      parsed.error = "unknown option '" + arg + "'";
      return parsed;
    }
  }
  parsed.error = Conflicts(o);
  return parsed;
}

}  // namespace tilora::cli
