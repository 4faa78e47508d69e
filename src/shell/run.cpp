#include "shell/run.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "assets/objects.h"
#include "assets/textures.h"
#include "layers/primitives.h"
#include "music/audio.h"
#include "music/clock.h"
#include "music/present_clock.h"
#include "shell/platform.h"
#include "timeline/timeline.h"

RunSettings runSettings;
const char* const showModuleFile = "soundtrack.mo3";

void FatalError(const char* message) {
  // The fullscreen, always-on-top window would cover the box: the desktop mode
  // comes back and the window goes (cursor shown) before the box is shown.
  CloseDemoWindow();
  ShowDemoCursor(true);
  // The line goes out before the box, which waits for the viewer.
  std::fprintf(stderr, "%s\n", message);
  std::fflush(stderr);
  ShowErrorBox(message);
  FreeAudio();
  std::exit(1);
}

void ShowLoadingPicture() {
  LoadTexture("gfx//01.jpg", SlotLoading);
  BeginFrame(0, 0, 0);
  DrawQuadAdd(-1, -1, 1, 1, 1.0f, TextureTable[SlotLoading]);
}

void DrawLoadingFrame(float brightness) {
  BeginFrame(0, 0, 0);
  // The primitive draws nothing at brightness 0 or below: a black frame.
  DrawQuadAdd(-1, -1, 1, 1, brightness, TextureTable[SlotLoading]);
}

void DeleteLoadingPicture() { DeleteTexture(SlotLoading); }

void FadeLoadingPictureIn() {
  SetDemoClockStart(ReadTickMs());
  float a;
  do {
    // a falls from 1 to 0 over 1000 ms; the brightness 1 - a comes from the
    // unrounded value, the loop test from the stored float.
    double elapsed = static_cast<double>(ReadTickMs()) - demoClock.startTickMs.load();
    double exact = 1.0 - elapsed * 0.001;
    a = static_cast<float>(exact);
    DrawLoadingFrame(static_cast<float>(1.0 - exact));
    SwapDemoBuffers();
  } while (a >= 0);
}

void FadeLoadingPictureOut() {
  SetDemoClockStart(ReadTickMs());
  float c;
  do {
    double elapsed = static_cast<double>(ReadTickMs()) - demoClock.startTickMs.load();
    c = static_cast<float>(1.0 - elapsed * 0.001);
    DrawLoadingFrame(c);  // the last frame, c < 0, is black
    SwapDemoBuffers();
  } while (c >= 0);
}

void StartShowMusic() {
  musicHandle = LoadMusic(showModuleFile, MusicLoadDefault | runSettings.looping * MusicLoadLoop);
  if (musicHandle == 0) FatalError("Can't play the file");
  SetMusicSync(musicHandle, MusicSyncEffect, 1, OnMusicSync, 0);
  SetMusicSync(musicHandle, MusicSyncEnd, 1, OnMusicEnd, 0);
  SetMusicPositionScaler(musicHandle, 64);
  StartAudioOutput();  // running, still silent
}

void LoadShow(ShowStart start) {
  const bool live = start == ShowStartLive;
  ShowLoadingPicture();
  if (live) {
    FadeLoadingPictureIn();
    StartShowMusic();
  }
  // Nothing is drawn while loading: the last fade-in frame stays on screen.
  if (!LoadObjects()) FatalError("out of memory");
  LoadAllTextures();
  if (live) FadeLoadingPictureOut();
  DeleteLoadingPicture();
}

// A sync heard between this frame's instant and the next one's would be seen up
// to a whole frame late: the frame waits instead and is drawn for the sync's
// instant, a millisecond past it so that the position read then has reached the
// sync's frame. The wait is at most one frame, and only on a sync.
void WaitForDueSync(const PresentClock& present) {
  constexpr double pastSyncMs = 1;
  double untilSync = MsUntilNextSyncHeard(musicHandle);
  if (untilSync < 0) return;
  double now = ReadTickMs();
  double waitMs = WaitForPresentedInstant(present, now, now + untilSync + pastSyncMs);
  if (waitMs > 0) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(waitMs));
}

void RunMainLoop(const LoopHooks& hooks) {
  // A frame once begun is finished and swapped before Escape or the end of the
  // module is looked at again. An Escape tap within one pump counts too.
  PresentClock present;
  // With vsync the picture is shown at a refresh whenever it is drawn: waiting
  // for a sync gains nothing there and could miss the refresh.
  const bool waitsForSyncs = runSettings.presentedClock != 0 && !ReadDisplayStatus().swapWaits;
  while (KeyState[27] == 0 && KeyPressed[27] == 0 && quitRequested.load() == 0) {
    // A held clock reads no tick, and its frames are not measured.
    bool reads = hooks.holdsClock == nullptr || !hooks.holdsClock();
    if (reads) {
      if (waitsForSyncs) WaitForDueSync(present);
      uint32_t now = ReadTickMs();
      double lead = BeginPresentedFrame(present, now);
      UpdateDemoClockAhead(now, runSettings.presentedClock != 0 ? lead : 0);
    }
    if (hooks.frameBegins != nullptr) hooks.frameBegins();
    PumpMessages();
    if (hooks.endsLoop != nullptr && hooks.endsLoop()) break;
    if (hooks.beforeDraw != nullptr) hooks.beforeDraw();
    DrawFrame();
    if (hooks.frameDrawn != nullptr) hooks.frameDrawn();
    SwapDemoBuffers();
    if (reads) NoteFrameSwapped(present, ReadTickMs());
    if (hooks.frameSwapped != nullptr) hooks.frameSwapped();
  }
}

void ReleaseAssets() {
  // Unfilled slots hold 0 and the loading slot its already deleted name: GL
  // ignores both.
  for (int slot = 0; slot < textureTableSize; ++slot) DeleteTexture(slot);
  for (Object3D& object : ObjectTable) ReleaseObject(object);
}

int RunShow(const FrontEnd& frontEnd) {
  SetTickSource(ReadPlatformTicks);
  if (!AudioVersionOk()) FatalError(audioVersionMessage);
  if (!InitAudioDevice(44100)) FatalError("Can't initialize device");
  if (!CreateDemoWindow(frontEnd.display)) {
    const char* text = "can't init opengl-window";
    if (!frontEnd.display.explainFailures) FatalError(text);
    std::string line = std::string(text) + ": " + ReadPlatformError();
    FatalError(line.c_str());
  }
  RaiseDemoWindow();

  LoadShow(ShowStartLive);
  if (frontEnd.showLoaded != nullptr) frontEnd.showLoaded();

  // From the start, keeping the load flags (-1), with a reset.
  PlayMusic(musicHandle, 0, -1, 1);
  SetDemoClockStart(ReadTickMs());  // the show's time zero
  RunMainLoop(frontEnd.loop);

  ReleaseAssets();
  // Music cut off by Escape fades instead of clicking: 100 to 0 in 21 steps, which
  // the output turns into a smooth per-sample fade that is heard out before the
  // device closes. Held output (a pause) is silent already.
  for (int volume = 100; volume >= 0; volume -= 5) {
    SetAudioVolume(volume);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  FinishAudioFade();
  FreeAudio();
  CloseDemoWindow();
  return 0;
}
