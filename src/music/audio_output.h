// The audio output a port supplies: one stereo stream of float frames, pulled a
// block at a time from a fill callback on the output's own thread. SDL audio on
// the desktop (audio_output.cpp); a browser port implements the same list.
#pragma once

// Fills `frames` stereo frames; runs on the output's thread with the output
// locked.
using AudioFill = void (*)(float* samples, int frames);

struct AudioOutputFormat {
  int sampleRate = 44100;
  int blockFrames = 512;
  // The output's latency against the one block its double buffering implies,
  // in frames: what the heard clock adds to place the frame being heard.
  int latencyAdjustFrames = 0;
  // The fill is called on the thread that opened the output, between its own
  // work (a page's audio, fed between frames): it may decode there, and no
  // decoding thread of its own is started.
  bool fillsOnOpeningThread = false;
};

// Opens the default output, stopped. False when there is none; otherwise
// `got` says what the output took.
bool OpenAudioOutput(int sampleRate, int blockFrames, AudioFill fill, AudioOutputFormat& got);
bool AudioOutputOpen();
// Running, or stopped: stopped, the output plays silence and calls fill no more
// (the block handed over last still sounds).
void RunAudioOutput(bool running);
// Keeps the fill callback out while the main thread touches what it reads.
void LockAudioOutput();
void UnlockAudioOutput();
// The clock the hand-overs are stamped on, in seconds.
double ReadAudioClockSeconds();
// Asks for the calling thread to be run ahead of ordinary ones (the thread that
// decodes for the output), as the output's own thread is; where that is not
// allowed the thread runs as before.
void RaiseAudioThreadPriority();
// Waits for a running fill to return; none runs after it.
void CloseAudioOutput();
