// trimorph-preview FILE.s [-o OUT.png]: draws every distance level of a shape file side by
// side into a PNG picture.
//
// Exit status: 0 when the picture is written; 1 when the shape file has problems (listed on
// standard error as trimorph-check lists them, and no picture is written), has no distance
// level, or the picture cannot be written; 2 when the command line is wrong or the file cannot
// be read or is not a shape text file at all.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "OutputFile.h"
#include "Preview.h"
#include "PreviewOptions.h"
#include "ShapeReader.h"
#include "TrimorphVersion.h"

namespace {

int UsageError(const std::string& what) {
  fprintf(stderr, "trimorph-preview: %s\n%s", what.c_str(), preview::USAGE);
  return 2;
}

// Writes the bytes under the name, replacing a file of that name only once they are all there.
bool WriteFile(const std::string& name, const std::string& bytes, int& error) {
  OutputFile out;
  if (!out.Open(name.c_str())) {
    error = out.Error();
    return false;
  }
  if (fwrite(bytes.data(), 1, bytes.size(), out.Stream()) != bytes.size()) {
    error = errno;
    out.Discard();
    return false;
  }
  if (!out.Commit()) {
    error = out.Error();
    return false;
  }
  return true;
}

int Preview(const preview::PreviewOptions& o) {
  if (NamesSameFile(o.input.c_str(), o.output.c_str())) {
    return UsageError("the picture " + o.output + " would replace the shape file");
  }
  shapefile::ReadResult r = shapefile::CheckShapeFile(o.input);
  if (!r.readable) {
    fprintf(stderr, "trimorph-preview: %s: cannot be read: %s\n", o.input.c_str(), r.error.c_str());
    return 2;
  }
  if (!r.problems.Empty()) {
    for (const shapefile::Problem& p : r.problems.Listed()) {
      if (p.line > 0) {
        fprintf(stderr, "%s:%ld: %s\n", o.input.c_str(), p.line, p.what.c_str());
      } else {
        fprintf(stderr, "%s: %s\n", o.input.c_str(), p.what.c_str());
      }
    }
    const size_t unlisted = r.problems.Count() - r.problems.Listed().size();
    if (unlisted) fprintf(stderr, "%s: %zu more problems not listed\n", o.input.c_str(), unlisted);
    fprintf(stderr, "%s: %zu %s: no picture written\n", o.input.c_str(), r.problems.Count(),
            r.problems.Count() == 1 ? "problem" : "problems");
    return 1;
  }
  const shapefile::Shape& shape = r.shape;
  std::vector<size_t> levels = preview::LevelsByDistance(shape);
  if (levels.empty()) {
    fprintf(stderr, "trimorph-preview: %s: the shape has no distance level to draw\n",
            o.input.c_str());
    return 1;
  }
  if (o.level > 0) {
    if (size_t(o.level) > levels.size()) {
      return UsageError("--level " + std::to_string(o.level) + ": " + o.input + " has " +
                        std::to_string(levels.size()) +
                        (levels.size() == 1 ? " distance level" : " distance levels"));
    }
    levels = {levels[size_t(o.level) - 1]};
  }
  if (!preview::PictureFits(levels.size(), o.panelWidth, o.panelHeight)) {
    return UsageError(std::to_string(levels.size()) + " panels of " + std::to_string(o.panelWidth) +
                      "x" + std::to_string(o.panelHeight) +
                      " make too large a picture: choose a smaller --size or one --level");
  }
  const preview::Image picture =
      preview::RenderPreview(shape, levels, o.panelWidth, o.panelHeight, o.view);
  const std::string png = preview::EncodePng(picture);
  int error = 0;
  if (png.empty() || !WriteFile(o.output, png, error)) {
    fprintf(stderr, "trimorph-preview: %s: cannot be written: %s\n", o.output.c_str(),
            png.empty() ? "the PNG encoder failed"
            : error     ? strerror(error)
                        : "unknown error");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const preview::ParsedOptions parsed =
      preview::ParsePreviewOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.ok) return UsageError(parsed.error);
  if (parsed.options.help) {
    fputs(preview::USAGE, stdout);
    return 0;
  }
  if (parsed.options.version) {
    printf("trimorph-preview %s\n", TRIMORPH_VERSION);
    return 0;
  }
  try {
    return Preview(parsed.options);
  } catch (const std::bad_alloc&) {
    fprintf(stderr, "trimorph-preview: out of memory\n");
    return 1;
  }
}
