// nivora-web: the show in a browser page, the desktop player's controls on the
// web port of the platform seam. The page (web/page/page.js) loads the files
// into the module's file system and calls main on the viewer's Play.
#include <GL/gl.h>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <malloc.h>

#include <cstdio>
#include <vector>

#include "glrec/glrec.h"
#include "records/letterbox.h"
#include "music/audio.h"
#include "music/clock.h"
#include "music/offline_clock.h"
#include "music/player.h"
#include "player/overlay.h"
#include "player/playback.h"
#include "player/seek_table.h"
#include "records/gl_window.h"
#include "render/show_random.h"
#include "shell/gl_state.h"
#include "shell/run.h"
#include "shell/web/web_events.h"
#include "timeline/frame_state.h"
#include "timeline/timeline.h"
#include "assets/textures.h"
#include "web/gl_backend.h"

namespace {

EM_JS(int, PageStartOrder, (), { return nivoraPage.startOrder(); });
EM_JS(int, PageLoops, (), { return nivoraPage.loops() ? 1 : 0; });
EM_JS(void, ShowPageFigures, (const char* text), {
  nivoraPage.showFigures(text ? UTF8ToString(text) : null);
});
EM_JS(void, TellPage, (const char* what, const char* text), {
  nivoraPage.notice(UTF8ToString(what), UTF8ToString(text));
});
EM_JS(double, PageNow, (), { return performance.now(); });

// Everything the hooks share: main thread only.
struct WebRun {
  Playback playback;
  SeekTable table;
  bool recorded = false;
  ShowRun show;
  bool quit = false;
  bool overlay = false;
  int startOrder = 0;        // from the page's #order=N, sought on the first frame
  uint32_t frameRandom = 0;  // the random generator's state as this frame began
  double lastFrameMs = 0;
  double frameMs = 0;
  double recent[30] = {};
  int frames = 0;
  PictureRect picture;
  char text[128] = {};
  FrameState startState;  // as the loader left it: where a replay of the capture begins
};

WebRun run;

// The module decoded once, at the first seek (the page has no second thread).
const SeekTable& ReadySeekTable() {
  if (!run.table.built && !run.recorded) {
    std::vector<char> module;
    run.recorded = ReadModuleFile(showModuleFile, module) &&
                   RecordShowRun(module.data(), module.size(), run.show);
    if (run.recorded) BuildSeekTable(run.show, run.table);
  }
  return run.table;
}

void ReportPosition(const char* what) {
  std::snprintf(run.text, sizeof run.text, "%s at order %d row %d tick %d (%.1f ms)", what,
                demoClock.order, demoClock.row, demoClock.rowTick,
                static_cast<double>(demoClock.elapsedMs.load()));
  TellPage(what, run.text);
}

void SeekTo(PlayerAction action, int order) {
  const SeekTable& table = ReadySeekTable();
  int target = order >= 0 ? order
                          : SeekTarget(action, demoClock.order, table, runSettings.looping != 0);
  if (target >= 0 && target < table.orders && SeekPlayback(run.playback, table, target))
    ReportPosition("sought");
}

void ApplyAction(PlayerAction action) {
  switch (action) {
    case ActionQuit: run.quit = true; break;
    case ActionPause:
      if (run.playback.paused) {
        ResumePlayback(run.playback);
        ReportPosition("resumed");
      } else {
        PausePlayback(run.playback, run.frameRandom);
        ReportPosition("paused");
      }
      break;
    case ActionBack:
    case ActionForward:
    case ActionStart: SeekTo(action, -1); break;
    case ActionFullscreen: ToggleDemoFullscreen(); break;
    case ActionOverlay:
      run.overlay = !run.overlay;
      if (!run.overlay) ShowPageFigures(nullptr);
      break;
    case ActionNone: break;
  }
}

void LayOutPicture(int drawableWidth, int drawableHeight) {
  run.picture = FitPicture(drawableWidth, drawableHeight);
  ResizeViewport(run.picture.width, run.picture.height);
  glViewport(run.picture.x, run.picture.y, run.picture.width, run.picture.height);
}

double FramesPerSecond() {
  int n = run.frames < 30 ? run.frames : 30;
  double sum = 0;
  for (int i = 0; i < n; i++) sum += run.recent[i];
  return sum > 0 ? 1000.0 * n / sum : 0;
}

void ShowFigures() {
  OverlayFigures f;
  f.order = demoClock.order;
  f.row = demoClock.row;
  f.tick = demoClock.rowTick;
  f.fps = FramesPerSecond();
  f.frameMs = run.frameMs;
  f.paused = run.playback.paused;
  FormatOverlay(f, run.text, sizeof run.text);
  ShowPageFigures(run.text);
}

bool HoldsClock() { return run.playback.paused; }
void BeginFrame() {
  run.frameRandom = GetShowRandomState();
  if (run.startOrder > 0) {
    SeekTo(ActionNone, run.startOrder);
    run.startOrder = 0;
  }
}
bool EndsLoop() { return run.quit; }
void HoldGrain() {
  if (run.playback.paused) SetShowRandomState(run.playback.pausedRandom);
}
void NoteFrame() {
  double now = PageNow();
  run.frameMs = now - run.lastFrameMs;
  run.lastFrameMs = now;
  run.recent[run.frames % 30] = run.frameMs;
  run.frames++;
  if (run.overlay) ShowFigures();
}
void OnKey(int virtualKey, bool alt) { ApplyAction(ActionForKey(virtualKey, alt)); }
void OnStop() { run.quit = true; }
void OnShowLoaded() {
  SaveFrameState(run.startState);
  run.lastFrameMs = PageNow();
  TellPage("playing", "the show plays");
}
// The pictures lived in the lost context: made anew in the new one.
void RemakePictures() { LoadAllTextures(); }

FrontEnd WebFrontEnd() {
  FrontEnd front;
  DisplayRequest& d = front.display;
  d.kind = DisplayWindow;
  d.context = GlContextEs3;
  d.ownsTheScreen = false;
  d.explainFailures = true;
  d.contextReady = RouteGlToBackend;
  d.layOut = LayOutPicture;
  d.keyPressed = OnKey;
  d.closeRequested = OnStop;
  front.loop.holdsClock = HoldsClock;
  front.loop.frameBegins = BeginFrame;
  front.loop.endsLoop = EndsLoop;
  front.loop.beforeDraw = HoldGrain;
  front.loop.frameSwapped = NoteFrame;
  front.showLoaded = OnShowLoaded;
  return front;
}

}  // namespace

// The test hook: one frame at a clock state as the trace tool sets it (the
// loader's camera and poses, the show's start values, then the clock), drawn
// at once into the canvas; the page reads it back before it yields.
extern "C" EMSCRIPTEN_KEEPALIVE void DrawStateFrame(int order, int row, int tick, float elapsedMs) {
  FrameState frame;
  SaveFrameState(frame);
  SetShowStartValues(frame);
  SetFrameClock(frame, order, row, tick, elapsedMs);
  RestoreFrameState(frame);
  DrawFrame();
}

EM_JS(int, ReplayFrameNumber, (int index), { return nivoraPage.replayList[index]; });
EM_JS(void, TakeReplayedFrame, (int frame), { nivoraPage.takeReplayedFrame(frame); });

// The pixel test's hook: the show's frames as a whole capture at `fps` makes
// them, from the start on the offline clock, every one drawn (a frame may
// draw over what the one before left), and the page's replayList (`count`
// frames, ascending) handed to the page to read back at 640x480.
extern "C" EMSCRIPTEN_KEEPALIVE int ReplayCaptureFrames(int count, int fps) {
  std::vector<char> module;
  OfflineClock clock;
  if (count <= 0 || !ReadModuleFile(showModuleFile, module) ||
      !OpenOfflineClock(clock, module.data(), module.size(), fps))
    return 0;
  emscripten_set_canvas_element_size("#canvas", showPictureWidth, showPictureHeight);
  LayOutPicture(showPictureWidth, showPictureHeight);
  RestoreFrameState(run.startState);
  int handed = 0;
  while (handed < count && !OfflineClockPastEnd(clock)) {
    StepOfflineClock(clock);
    ApplyOfflineClock(clock);
    DrawFrame();
    if (clock.frame == ReplayFrameNumber(handed)) {
      TakeReplayedFrame(static_cast<int>(clock.frame));
      handed++;
    }
  }
  CloseOfflineClock(clock);
  return handed;
}

// The bytes malloc has handed out and not taken back: the heap check reads it
// over a run, where it must not grow from frame to frame.
extern "C" EMSCRIPTEN_KEEPALIVE int HeapInUse() { return mallinfo().uordblks; }

// The A/V bench's: the song position the frame just drawn shows, and the
// stamp of the last sync that arrived (a new value: a new sync, a flash).
extern "C" EMSCRIPTEN_KEEPALIVE int ShownSongPosition() { return demoClock.songPosition; }
extern "C" EMSCRIPTEN_KEEPALIVE double LastSyncStampMs() {
  return static_cast<double>(syncEvent.timeMs.load());
}

// The show time at which `order` begins, -1 past the last order played.
extern "C" EMSCRIPTEN_KEEPALIVE double OrderStartMs(int order) {
  const SeekTable& table = ReadySeekTable();
  if (order < 0 || order >= table.orders || !table.starts[order].played) return -1;
  return table.starts[order].elapsedMs;
}

int main() {
  runSettings.looping = PageLoops();
  run.startOrder = PageStartOrder();
  SetWebContextRestoredHook(RemakePictures);
  int status = RunShow(WebFrontEnd());
  TellPage("ended", "the show ended");
  return status;
}
