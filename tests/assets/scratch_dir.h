// A fresh directory under the system's temporary directory for one test,
// removed with everything in it when the test ends.
#pragma once

#include <string>

struct ScratchDir {
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string Path(const std::string& name) const { return path + "/" + name; }

  std::string path;
};

// Runs the test body with the working directory set to `dir`, as the show runs
// from the folder that holds gfx/ and data/.
struct WorkingDir {
  explicit WorkingDir(const std::string& dir);
  ~WorkingDir();
  std::string previous;
};
