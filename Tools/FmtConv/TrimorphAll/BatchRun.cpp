// Converting models in child processes.
#include "BatchRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Fail.h"
#include "Platform.h"
#include "ShapeFile.h"
#include "Trimorph.h"

const char* const AS_CONVERTER_ARGUMENT = "--as-trimorph";
const char* const COUNT_TRIANGLES_ARGUMENT = "--count-triangles";

std::vector<std::string> ConverterArgs(const Model& model) {
  std::vector<std::string> args = {model.outPath};
  for (const LevelFile& level : model.levels) args.push_back(level.path);
  return args;
}

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

int CountTrianglesMain(const char* shapeFile) {
  try {
    std::ifstream in(shapeFile, std::ios::binary);
    if (!in) throw std::runtime_error("cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    printf("%ld\n", shapefile::Summarize(text.str()).triangles);
    return 0;
  } catch (const std::exception& e) {
    fprintf(stderr, "trimorph-all: %s: %s\n", shapeFile, e.what());
    return 1;
  }
}

std::string FailureReason(const std::string& report) {
  std::vector<std::string> lines = Lines(report);
  // The report's first line says what the converter was doing ("While ..."); the message
  // follows, over several lines for some messages; the toolkit's errors follow a failure
  // without a message.
  size_t first = !lines.empty() && lines[0].compare(0, 6, "While ") == 0 ? 1 : 0;
  if (first >= lines.size()) return "no report";
  if (lines[first] == "Unexpected error occurred") {
    return first + 1 < lines.size() && !lines[first + 1].empty()
               ? lines[first] + ": " + lines[first + 1]
               : lines[first];
  }
  std::string reason;
  for (size_t i = first; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    if (!reason.empty()) reason += ' ';
    reason += lines[i];
  }
  return reason.empty() ? "no report" : reason;
}

std::vector<ModelResult> ConvertModels(const std::vector<Model>& models, int jobs,
                                       const std::string& program, Progress& progress) {
  using Clock = std::chrono::steady_clock;
  std::vector<ModelResult> results(models.size());
  std::vector<Clock::time_point> started(models.size());
  // A child's id is the model's index, twice, plus one for a count of triangles.
  auto childId = [](size_t index, bool count) { return int(index * 2 + count); };
  platform::Children children;
  std::vector<size_t> toCount;  // models converted whose triangles are still to be counted
  size_t next = 0;
  size_t finished = 0;
  auto finish = [&](size_t index) {
    const ModelResult& r = results[index];
    progress.Finished(models[index].name, r.converted, r.reason, r.seconds);
    ++finished;
  };
  while (finished < models.size()) {
    // Counts first: they finish models that are converted already.
    while (!toCount.empty() && children.Running() < size_t(jobs)) {
      size_t index = toCount.back();
      toCount.pop_back();
      std::string error;
      if (!children.Start(childId(index, true), program,
                          {program, COUNT_TRIANGLES_ARGUMENT, models[index].outPath}, error)) {
        finish(index);
      }
    }
    while (next < models.size() && children.Running() < size_t(jobs)) {
      size_t index = next++;
      std::vector<std::string> args = {program, AS_CONVERTER_ARGUMENT};
      // Converters that run side by side use one thread each.
      if (std::min(size_t(jobs), models.size()) > 1) args.push_back("-j1");
      for (std::string& arg : ConverterArgs(models[index])) args.push_back(std::move(arg));
      started[index] = Clock::now();
      progress.Started(models[index].name);
      std::string error;
      if (!children.Start(childId(index, false), program, args, error)) {
        results[index].reason = "the converter could not be started: " + error;
        finish(index);
      }
    }
    for (platform::EndedChild& ended : children.Wait(200)) {
      size_t index = size_t(ended.id) / 2;
      ModelResult& r = results[index];
      const platform::ChildEnd& end = ended.end;
      if (ended.id % 2) {
        // The count is the one line of a successful count; a failed count leaves it unknown.
        if (end.exited && end.status == 0) r.triangles = strtol(ended.output.c_str(), nullptr, 10);
        finish(index);
        continue;
      }
      r.seconds = std::chrono::duration<double>(Clock::now() - started[index]).count();
      r.report = std::move(ended.output);
      if (end.exited && end.status == 0) {
        r.converted = true;
        toCount.push_back(index);
        continue;
      }
      if (!end.exited) {
        r.reason = "the converter was " + end.how;
      } else if (end.status == (FAIL_EXIT_STATUS & 0xff)) {
        r.reason = FailureReason(r.report);
      } else {
        r.reason = "the converter ended with status " + std::to_string(end.status);
      }
      finish(index);
    }
    progress.Tick();
  }
  progress.Clear();
  return results;
}
