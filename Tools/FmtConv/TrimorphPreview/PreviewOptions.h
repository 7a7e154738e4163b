// The command line of trimorph-preview.
#ifndef TRIMORPH_PREVIEW_PREVIEWOPTIONS_H
#define TRIMORPH_PREVIEW_PREVIEWOPTIONS_H

#include <string>
#include <vector>

#include "Camera.h"

namespace preview {

extern const char USAGE[];

constexpr int MIN_PANEL_WIDTH = 120, MIN_PANEL_HEIGHT = 90, MAX_PANEL_SIDE = 4096;

struct PreviewOptions {
  std::string input;
  std::string output;  // the input's name with .png for .s when not given
  int panelWidth = 400, panelHeight = 300;
  View view = View::THREE_QUARTER;
  int level = 0;  // from 1, nearest first; 0 for every level
  bool help = false, version = false;
};

struct ParsedOptions {
  bool ok = false;
  std::string error;  // what is wrong, when not ok
  PreviewOptions options;
};

// The arguments after the program name.
ParsedOptions ParsePreviewOptions(const std::vector<std::string>& args);

// FILE.s gives FILE.png (the extension in any letter case); another name gets .png added.
std::string DefaultOutputName(const std::string& input);

}  // namespace preview

#endif  // TRIMORPH_PREVIEW_PREVIEWOPTIONS_H
