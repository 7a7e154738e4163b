// Reading the command line of trimorph-preview.
#include "PreviewOptions.h"

#include <cctype>

namespace preview {

const char USAGE[] =
    "usage: trimorph-preview [-o OUT.png] [--size WxH] [--view VIEW] [--level N] FILE.s\n"
    "       trimorph-preview --version\n"
    "Draws every distance level of a shape file side by side, nearest first, into a PNG\n"
    "picture (FILE.png unless -o names another).\n"
    "  -o OUT.png    the picture to write\n"
    "  --size WxH    the size of each level's panel in pixels (default 400x300)\n"
    "  --view VIEW   three-quarter (default), front, side or top\n"
    "  --level N     the Nth distance level alone, 1 being the nearest\n";

namespace {

// A whole decimal number from lo to hi.
bool ParseNumber(const std::string& text, int lo, int hi, int& value) {
  if (text.empty() || text.size() > 9) return false;
  long n = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    n = n * 10 + (c - '0');
  }
  if (n < lo || n > hi) return false;
  value = int(n);
  return true;
}

bool ParseSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  return ParseNumber(text.substr(0, x), MIN_PANEL_WIDTH, MAX_PANEL_SIDE, width) &&
         ParseNumber(text.substr(x + 1), MIN_PANEL_HEIGHT, MAX_PANEL_SIDE, height);
}

bool ParseView(const std::string& text, View& view) {
  static const struct {
    const char* name;
    View view;
  } VIEWS[] = {{"three-quarter", View::THREE_QUARTER},
               {"front", View::FRONT},
               {"side", View::SIDE},
               {"top", View::TOP}};
  for (const auto& v : VIEWS) {
    if (text == v.name) {
      view = v.view;
      return true;
    }
  }
  return false;
}

}  // namespace

ParsedOptions ParsePreviewOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  PreviewOptions& o = parsed.options;
  std::vector<std::string> files;
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options || a.size() < 2 || a[0] != '-') {
      files.push_back(a);
      continue;
    }
    if (a == "--") {
      options = false;
      continue;
    }
    if (a == "--help" || a == "-h") {
      o.help = true;
      continue;
    }
    if (a == "--version") {
      o.version = true;
      continue;
    }
    // Options with a value: "-o OUT", "-oOUT", "--size WxH", "--size=WxH".
    std::string name = a, value;
    bool hasValue = false;
    const size_t eq = a.find('=');
    if (a.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      hasValue = true;
    } else if (a.compare(0, 2, "-o") == 0 && a.size() > 2) {
      name = "-o";
      value = a.substr(2);
      hasValue = true;
    }
    if (name != "-o" && name != "--output" && name != "--size" && name != "--view" &&
        name != "--level") {
      parsed.error = "unknown option '" + a + "'";
      return parsed;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        parsed.error = "option '" + name + "' needs a value";
        return parsed;
      }
      value = args[++i];
    }
    if (name == "-o" || name == "--output") {
      if (value.empty()) {
        parsed.error = "option '" + name + "' needs a file name";
        return parsed;
      }
      o.output = value;
    } else if (name == "--size") {
      if (!ParseSize(value, o.panelWidth, o.panelHeight)) {
        parsed.error = "--size " + value + ": give WIDTHxHEIGHT in pixels, from " +
                       std::to_string(MIN_PANEL_WIDTH) + "x" + std::to_string(MIN_PANEL_HEIGHT) +
                       " to " + std::to_string(MAX_PANEL_SIDE) + "x" +
                       std::to_string(MAX_PANEL_SIDE);
        return parsed;
      }
    } else if (name == "--view") {
      if (!ParseView(value, o.view)) {
        parsed.error = "--view " + value + ": give three-quarter, front, side or top";
        return parsed;
      }
    } else if (!ParseNumber(value, 1, 999999999, o.level)) {
      parsed.error = "--level " + value + ": give the level's number, 1 being the nearest";
      return parsed;
    }
  }
  if (o.help || o.version) {
    parsed.ok = true;
    return parsed;
  }
  if (files.size() != 1) {
    parsed.error = files.empty() ? "no shape file given" : "more than one shape file given";
    return parsed;
  }
  o.input = files[0];
  if (o.output.empty()) o.output = DefaultOutputName(o.input);
  parsed.ok = true;
  return parsed;
}

std::string DefaultOutputName(const std::string& input) {
  const size_t n = input.size();
  // A name of its own before the ".s": "dir/.s" is not "dir/" with an extension.
  if (n >= 3 && input[n - 3] != '/' && input[n - 3] != '\\' && input[n - 2] == '.' &&
      (input[n - 1] == 's' || input[n - 1] == 'S')) {
    return input.substr(0, n - 2) + ".png";
  }
  return input + ".png";
}

}  // namespace preview
