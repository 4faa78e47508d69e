#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame_recording.h"
#include "glrec/glrec.h"
#include "render/show_random.h"
#include "stand_in_objects.h"

namespace {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the trace tool with `arguments` (shell words), capturing both streams.
ToolRun RunTool(const std::string& arguments) {
  // ctest runs the tests of this file as parallel processes: one file each.
  std::string errPath = testing::TempDir() + "nivora_trace_stderr_" +
                        std::to_string(getpid()) + ".txt";
  std::string command = std::string(NIVORA_TRACE_TOOL) + " " + arguments + " 2>" + errPath;
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (FILE* err = fopen(errPath.c_str(), "r")) {
    while ((got = fread(buffer, 1, sizeof buffer, err)) > 0) run.err.append(buffer, got);
    fclose(err);
  }
  std::remove(errPath.c_str());
  return run;
}

const char blackFrameTrace[] =
    "glClearColor 0 0 0 0\n"
    "glClear GL_COLOR_BUFFER_BIT\n"
    "glLoadIdentity\n"
    "glMatrixMode GL_PROJECTION\n"
    "gluPerspective 3.5499999999999998 1 0.10000000000000001 10000\n";

TEST(TraceTool, Order19PrintsTheBlackClearAndTheStartUpState) {
  for (const char* arguments : {"--order 19 --row 0 --tick 0 --elapsed 0",
                                "--elapsed 123.5 --tick 63 --row 63 --order -1"}) {
    ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string(blackFrameTrace) +
                           "# lastSyncMs -100000\n"
                           "# pending 0\n"
                           "# rand 1\n"
                           "# swirlKick 0 1\n"
                           "# pairKick 0 1\n");
  }
}

// Values after a blank or after '=' alike.
TEST(TraceTool, StateOptionsReachTheStateLines) {
  ToolRun run = RunTool(
      "--order=40 --row 1 --tick=2 --elapsed 5000 --last-sync=-7 --pending 4999.5 --rand="
      "4294967295 --swirl-kick=1234 -1 --pair-kick 99 -1");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, std::string(blackFrameTrace) +
                         "# lastSyncMs -7\n"
                         "# pending 1\n"
                         "# rand 4294967295\n"
                         "# swirlKick 1234 -1\n"
                         "# pairKick 99 -1\n");
}

TEST(TraceTool, BadArgumentsExitWithStatus2AndUsage) {
  const char* bad[] = {
      "",
      "--row 0 --tick 0 --elapsed 0",    // no order
      "--order 1 --tick 0 --elapsed 0",  // no row
      "--order 1 --row 0 --elapsed 0",   // no tick
      "--order 1 --row 0 --tick 0",      // no elapsed
      "--order x --row 0 --tick 0 --elapsed 0",
      "--order 1.5 --row 0 --tick 0 --elapsed 0",
      "--order 99999999999 --row 0 --tick 0 --elapsed 0",
      "--order 1 --row 64 --tick 0 --elapsed 0",
      "--order 1 --row -1 --tick 0 --elapsed 0",
      "--order 1 --row 0 --tick 64 --elapsed 0",
      "--order 1 --row 0 --tick -1 --elapsed 0",
      "--order 1 --row 0 --tick 0 --elapsed 12ms",
      "--order 1 --row 0 --tick 0 --elapsed nan",
      "--order 1 --row 0 --tick 0 --elapsed 1e999",
      "--order 1 --row 0 --tick 0 --elapsed 0x10",
      "--order 1 --row 0 --tick 0 --elapsed 0 --rand -1",
      "--order 1 --row 0 --tick 0 --elapsed 0 --rand 4294967296",
      "--order 1 --row 0 --tick 0 --elapsed 0 --swirl-kick 5",
      "--order 1 --row 0 --tick 0 --elapsed 0 --pending",
      "--order 1 --row 0 --tick 0 --elapsed 0 --colour red",
      "--order 1 --row 0 --tick 0 --elapsed 0 --data /nonexistent/nivora",
  };
  for (const char* arguments : bad) {
    ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.status, 2) << "arguments: " << arguments;
    EXPECT_TRUE(run.out.empty()) << "arguments: " << arguments;
    EXPECT_NE(run.err.find("usage: nivora-trace"), std::string::npos) << "arguments: " << arguments;
  }
}

// The tool's frame is the frame drawn in-process at the same clock and table.
TEST(TraceTool, PrintsTheFrameDrawFrameRecords) {
  for (int order : {2, 4, 17}) {
    ClockState state{order, 30, 7, 4321.5f};
    std::vector<std::string> frame = RecordFrame(state);
    std::string expected;
    for (const std::string& line : frame) expected += line + "\n";
    ToolRun run =
        RunTool("--order " + std::to_string(order) + " --row 30 --tick 7 --elapsed 4321.5");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_GE(run.out.size(), expected.size());
    EXPECT_EQ(run.out.substr(0, expected.size()), expected) << "order " << order;
    EXPECT_NE(run.out.find("# rand " + std::to_string(GetShowRandomState()) + "\n"),
              std::string::npos)
        << run.out.substr(expected.size());
  }
}

size_t CountLinesStarting(const std::string& text, const std::string& prefix) {
  size_t count = 0;
  for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
    if (text.compare(at, prefix.size(), prefix) == 0) ++count;
    if (text.find('\n', at) == std::string::npos) break;
  }
  return count;
}

TEST(TraceTool, DataLoadsTheObjectsWithTheRealLoader) {
  std::string dir = testing::TempDir() + "nivora_trace_objects_" + std::to_string(getpid());
  ASSERT_TRUE(WriteStandInObjects(dir));
  const std::string frame = "--order 2 --row 10 --tick 0 --elapsed 5000";
  ToolRun empty = RunTool(frame);
  ToolRun loaded = RunTool(frame + " --data " + dir);
  ASSERT_EQ(empty.status, 0) << empty.err;
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  // The halo object's 8 triangles: 24 corners more than the empty object's frame.
  EXPECT_GE(CountLinesStarting(loaded.out, "glVertex3f"),
            CountLinesStarting(empty.out, "glVertex3f") + 24);

  // A directory without objects: the loader says so and the frame is the empty one.
  std::string bare = testing::TempDir() + "nivora_trace_bare_" + std::to_string(getpid());
  mkdir(bare.c_str(), 0755);
  ToolRun missing = RunTool(frame + " --data " + bare);
  EXPECT_EQ(missing.status, 0) << missing.err;
  EXPECT_NE(missing.err.find("cannot load object"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, empty.out);
}

}  // namespace
