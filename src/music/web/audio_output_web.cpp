// The browser's audio output: Web Audio through an AudioWorklet
// (web/page/audio_worklet.js) that plays blocks posted to it from this thread,
// no shared memory. The worklet asks for a block each time it starts one from
// its queue; the page's message handler calls TakeWebAudioBlock between
// frames. The clock is the context time heard when the frame being made is
// presented (getOutputTimestamp, one refresh ahead), and each block is stamped
// with the instant it will be heard, so the heard clock adds no latency of its own.
#include <emscripten.h>

#include "music/audio_output.h"

namespace {

constexpr int maxBlockFrames = 4096;
float block[2 * maxBlockFrames];  // the block being filled, read by the page
AudioFill fillBlock = nullptr;
int blockFrames = 0;
bool open = false;

EM_JS(int, OpenPageAudio, (int sampleRate, int frames, float* samples), {
  // The view is made anew for each block: a grown heap replaces HEAPF32.
  return nivoraPage.audio.open(sampleRate, frames, function() {
    return HEAPF32.subarray(samples >> 2, (samples >> 2) + 2 * frames);
  });
});
EM_JS(void, RunPageAudio, (int running), { nivoraPage.audio.run(running !== 0); });
EM_JS(double, ReadPageAudioClock, (), { return nivoraPage.audio.clockSeconds(); });
EM_JS(void, ClosePageAudio, (), { nivoraPage.audio.close(); });

}  // namespace

// The page's handler: fills the block it then posts to the worklet.
extern "C" EMSCRIPTEN_KEEPALIVE void TakeWebAudioBlock() {
  if (open && fillBlock != nullptr) fillBlock(block, blockFrames);
}

bool OpenAudioOutput(int sampleRate, int frames, AudioFill fill, AudioOutputFormat& got) {
  if (open) return true;
  if (frames <= 0 || frames > maxBlockFrames) return false;
  int rate = OpenPageAudio(sampleRate, frames, block);
  if (rate <= 0) return false;
  fillBlock = fill;
  blockFrames = frames;
  open = true;
  got.sampleRate = rate;
  got.blockFrames = frames;
  // Stamped with the instant it is heard: no block of latency on top.
  got.latencyAdjustFrames = -frames;
  got.fillsOnOpeningThread = true;  // the page fills between frames, on the main thread
  return true;
}

bool AudioOutputOpen() { return open; }

void RunAudioOutput(bool running) {
  if (open) RunPageAudio(running ? 1 : 0);
}

// One thread: the fill runs only between frames, never beside the main thread.
void RaiseAudioThreadPriority() {}  // no decoding thread here
void LockAudioOutput() {}
void UnlockAudioOutput() {}

double ReadAudioClockSeconds() { return ReadPageAudioClock(); }

void CloseAudioOutput() {
  if (!open) return;
  ClosePageAudio();
  open = false;
  fillBlock = nullptr;
}
