#include "run_sequence/platform_fakes.h"

#include <SDL_keycode.h>

#include <cstdio>
#include <cstring>

#include "glrec/glrec.h"
#include "music/audio.h"
#include "music/clock.h"
#include "shell/keys.h"
#include "records/gl_window.h"
#include "shell/platform.h"

FakePlatform fakePlatform;

namespace {

std::vector<std::string> steps;
std::size_t glCallsSeen = 0;
bool recordingOpens = false;

void Step(const std::string& line) {
  std::size_t calls = GlrecCallCount();
  if (calls != glCallsSeen) steps.push_back("GL");
  glCallsSeen = calls;
  steps.push_back(line);
}

std::string Name(MusicCallback callback) {
  if (callback == OnMusicSync) return "OnMusicSync";
  if (callback == OnMusicEnd) return "OnMusicEnd";
  return "another callback";
}

int32_t ReadFakePosition() { return 0; }

}  // namespace

void ResetFakePlatform() {
  fakePlatform = FakePlatform{};
  steps.clear();
  GlrecReset();
  GlrecSetMode(GlrecCount);
  glCallsSeen = 0;
  recordingOpens = true;
}

void NoteFakeStep(const std::string& line) { Step(line); }

const std::vector<std::string>& FakeSteps() { return steps; }

std::string JoinedFakeSteps() {
  std::string all;
  for (const std::string& line : steps) all += line + "\n";
  return all;
}

// The loaders open their files with open(2): the link routes it here
// (-Wl,--wrap=open), so the order in which files are read is a step too.
extern "C" int __real_open(const char* path, int flags, ...);
extern "C" int __wrap_open(const char* path, int flags, ...) {
  if (recordingOpens) Step(std::string("open ") + path);
  return __real_open(path, flags);  // read-only opens: no mode argument
}

// shell/platform.h
int KeyState[256];
int KeyPressed[256];

bool CreateDemoWindow(const DisplayRequest& request) {
  SetGlWindowSize(request.pictureWidth, request.pictureHeight);
  // "1": the show's fullscreen, as its window call names it.
  Step("CreateDemoWindow " + std::to_string(request.width) + " " + std::to_string(request.height) +
       " " + (request.kind == DisplayModeSwitch ? "1" : "0"));
  return true;
}
bool DisplaySwitchesModes() { return true; }
void RaiseDemoWindow() { Step("RaiseDemoWindow"); }
void ToggleDemoFullscreen() { Step("ToggleDemoFullscreen"); }
void PumpMessages() {
  ++fakePlatform.pumps;
  Step("PumpMessages");
  if (fakePlatform.pumps == 100) quitRequested.store(1);  // a loop that missed its end
  if (fakePlatform.pumps == fakePlatform.escapeTapAtPump) {
    ApplyKeyEvent(true, SDLK_ESCAPE, KMOD_NONE);
    ApplyKeyEvent(false, SDLK_ESCAPE, KMOD_NONE);
  }
}
void SwapDemoBuffers() { Step("SwapDemoBuffers"); }
void CloseDemoWindow() { Step("CloseDemoWindow"); }
void RestoreDesktopMode() { Step("RestoreDesktopMode"); }
void ShowDemoCursor(bool show) { Step(std::string("ShowDemoCursor ") + (show ? "1" : "0")); }
void ShowErrorBox(const char* message) { Step(std::string("ShowErrorBox ") + message); }
void* ReadGlProc(const char*) { return nullptr; }
DisplayStatus ReadDisplayStatus() { return DisplayStatus{}; }
const char* ReadPlatformError() { return "no reason"; }
uint32_t ReadPlatformTicks() {
  ++fakePlatform.tickReads;
  Step("ReadPlatformTicks");
  if (fakePlatform.tickReads == fakePlatform.moduleEndAtTick) quitRequested.store(1);
  uint32_t now = fakePlatform.tick;
  fakePlatform.tick += fakePlatform.tickStep;
  return now;
}

// music/audio.h
const char* const audioVersionMessage = "libopenmpt version 0.6 was not loaded";
uint32_t musicHandle = 0;

bool AudioVersionOk() {
  Step("AudioVersionOk");
  return true;
}
bool InitAudioDevice(int frequency) {
  Step("InitAudioDevice " + std::to_string(frequency));
  return true;
}
uint32_t LoadMusic(const char* path, int flags) {
  Step(std::string("LoadMusic ") + path + " " + std::to_string(flags));
  if (!fakePlatform.musicLoads) return 0;
  SetPositionSource(ReadFakePosition);
  return 7;
}
void SetMusicSync(uint32_t handle, int type, int param, MusicCallback callback, uint32_t user) {
  Step("SetMusicSync " + std::to_string(handle) + " " + std::to_string(type) + " " +
       std::to_string(param) + " " + Name(callback) + " " + std::to_string(user));
}
void SetMusicPositionScaler(uint32_t handle, int scaler) {
  Step("SetMusicPositionScaler " + std::to_string(handle) + " " + std::to_string(scaler));
}
void StartAudioOutput() { Step("StartAudioOutput"); }
void PlayMusic(uint32_t handle, int position, int flags, int reset) {
  Step("PlayMusic " + std::to_string(handle) + " " + std::to_string(position) + " " +
       std::to_string(flags) + " " + std::to_string(reset));
}
int32_t GetMusicPosition(uint32_t) { return 0; }
double MsUntilNextSyncHeard(uint32_t) { return -1; }  // no sync queued
void SetAudioVolume(int percent) { Step("SetAudioVolume " + std::to_string(percent)); }
void FinishAudioFade() { Step("FinishAudioFade"); }
void FreeAudio() { Step("FreeAudio"); }
