// Entry point of trimorph-all: converts every model of a folder, each in a process of its own
// that runs the converter. Started with AS_CONVERTER_ARGUMENT first, the program is the
// converter itself; that is how it runs each model. COUNT_TRIANGLES_ARGUMENT first makes it
// count the triangles of a shape file written.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>
#include <thread>

#include "AllOptions.h"
#include "BatchRun.h"
#include "LevelScan.h"
#include "ModelGroups.h"
#include "Platform.h"
#include "Progress.h"
#include "RunReport.h"
#include "Trimorph.h"
#include "TrimorphVersion.h"

namespace fs = std::filesystem;

namespace {

constexpr int EXIT_CONVERTED = 0;
constexpr int EXIT_NOT_CONVERTED = 1;
constexpr int EXIT_USAGE = 2;

// The shape files that the models are written to are not listed among the files of the folder
// that are not converted (a run beside the levels finds those of the run before).
void DropModelOutputs(const std::string& folder, const std::vector<Model>& models,
                      std::vector<OtherFile>& others) {
  std::set<fs::path> outputs;
  for (const Model& model : models) {
    outputs.insert(platform::PathOf(model.outPath).lexically_normal());
  }
  std::vector<OtherFile> kept;
  for (OtherFile& other : others) {
    bool output =
        other.kind == OtherKind::NOT_3DS &&
        outputs.count((platform::PathOf(folder) / platform::PathOf(other.path)).lexically_normal());
    if (!output) kept.push_back(std::move(other));
  }
  others = std::move(kept);
}

int AllMain(int argc, char** argv) {
  AllOptions options;
  std::string error;
  if (!ParseAllOptions(argc, argv, options, error)) {
    fprintf(stderr, "trimorph-all: %s\nTry 'trimorph-all --help'.\n", error.c_str());
    return EXIT_USAGE;
  }
  if (options.help) {
    fputs(ALL_USAGE, stdout);
    return EXIT_CONVERTED;
  }
  if (options.version) {
    puts("trimorph-all " TRIMORPH_VERSION);
    return EXIT_CONVERTED;
  }
  if (!CanSearch(options.folder, error)) {
    fprintf(stderr, "trimorph-all: cannot search folder '%s': %s\n", options.folder.c_str(),
            error.c_str());
    return EXIT_NOT_CONVERTED;
  }

  FolderScan scan = ScanFolder(options.folder, options.recursive);
  std::vector<Model> models =
      GroupModels(std::move(scan.levels), options.folder, options.outFolder);
  DropModelOutputs(options.folder, models, scan.others);
  bool othersFail = false;
  for (const OtherFile& other : scan.others) othersFail = othersFail || FailsRun(other);

  if (models.empty()) {
    printf("No level files ({base name}{max dist}.3ds) in '%s'.\n", options.folder.c_str());
    if (scan.subfoldersNotSearched > 0) {
      printf("%d subfolder%s not searched: give -r to search them.\n", scan.subfoldersNotSearched,
             scan.subfoldersNotSearched == 1 ? "" : "s");
    }
    PrintOtherFiles(scan.others);
    return EXIT_NOT_CONVERTED;
  }
  if (options.dryRun) {
    PrintDryRun(models);
    PrintOtherFiles(scan.others);
    PrintSharedDistances(models);
    printf("\n%zu model%s; nothing converted (dry run).\n", models.size(),
           models.size() == 1 ? "" : "s");
    return othersFail ? EXIT_NOT_CONVERTED : EXIT_CONVERTED;
  }

  int jobs = options.jobs;
  if (jobs == 0) jobs = int(std::max(1u, std::thread::hardware_concurrency()));
  jobs = int(std::min(size_t(jobs), models.size()));
  // The converter does not create folders; the subfolders of an output folder are made here.
  if (!options.outFolder.empty()) {
    for (const Model& model : models) {
      std::error_code ec;
      fs::create_directories(platform::PathOf(model.outPath).parent_path(), ec);
    }
  }
  printf("Converting %zu model%s from '%s', %d at once.\n", models.size(),
         models.size() == 1 ? "" : "s", options.folder.c_str(), jobs);
  fflush(stdout);
  bool terminal = platform::StdoutIsTerminal();
  Progress progress(terminal, terminal ? platform::TerminalColumns() : 0, models.size());
  std::vector<ModelResult> results =
      ConvertModels(models, jobs, platform::SelfPath(argv[0]), progress);

  printf("\n");
  PrintResults(models, results);
  PrintOtherFiles(scan.others);
  PrintSharedDistances(models);
  size_t converted = 0;
  for (const ModelResult& r : results) converted += r.converted;
  printf("\n%zu of %zu model%s converted in %s.\n", converted, models.size(),
         models.size() == 1 ? "" : "s", FormatDuration(progress.Elapsed()).c_str());
  return converted == models.size() && !othersFail ? EXIT_CONVERTED : EXIT_NOT_CONVERTED;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && strcmp(argv[1], AS_CONVERTER_ARGUMENT) == 0) {
    return TrimorphMain(argc - 1, argv + 1);
  }
  if (argc == 3 && strcmp(argv[1], COUNT_TRIANGLES_ARGUMENT) == 0) {
    return CountTrianglesMain(argv[2]);
  }
  return AllMain(argc, argv);
}
