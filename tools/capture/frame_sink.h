// Where captured frames go: an MP4 encoded by the ffmpeg program through a pipe
// (with the WAV of the same range as its sound), or numbered PNG files. A writer
// thread takes each frame while the next one renders; a few frame buffers are
// allocated once. Nothing appears under a final name until it is complete.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

constexpr int kSinkBuffers = 8;

struct FrameSink {
  bool video = true;
  int width = 0, height = 0;  // frames are RGB rows, bottom row first, as GL reads them
  // Video: ffmpeg writes partPath, renamed to finalPath once it succeeds.
  std::string finalPath, partPath, encoderLog;
  pid_t encoder = -1;
  int pipeFd = -1;
  // Frames: dir/frame-NNNNNN.png, each written under a temporary name first.
  std::string dir;

  std::vector<unsigned char> buffers[kSinkBuffers];
  int64_t frameNumbers[kSinkBuffers] = {};
  int head = 0, queued = 0;  // buffers [head, head + queued) wait for the writer
  bool writerBusy = false;   // the writer holds buffer `head` while writing it
  bool stopping = false;
  bool failed = false;
  std::string error;
  std::mutex lock;
  std::condition_variable changed;
  std::thread writer;
  double waitSeconds = 0;   // time the renderer waited for a free buffer
  double writeSeconds = 0;  // time the writer spent handing frames over
};

// The path of ffmpeg on PATH, or empty.
std::string FindFfmpeg();

// Checks, before any work, that the video's part file (path + ".part") can be
// made, and makes it; DiscardVideoFile removes it again.
bool PrepareVideoFile(const std::string& path, std::string& error);
void DiscardVideoFile(const std::string& path);
// Makes the frames' folder when missing and checks it can be written.
bool PrepareFrameFolder(const std::string& dir, std::string& error);

// Starts ffmpeg writing an MP4 of width x height at fps from the frames and the
// WAV at audioPath. false with one line in `error` when it cannot start.
bool OpenVideoSink(FrameSink& sink, const std::string& ffmpeg, const std::string& path, int width,
                   int height, int fps, const std::string& audioPath, std::string& error);
// Writes PNG frames into dir (PrepareFrameFolder first).
bool OpenFrameSink(FrameSink& sink, const std::string& dir, int width, int height,
                   std::string& error);

// A buffer of width * height * 3 bytes for the next frame; waits while every
// buffer is queued. Null when the writer has failed (the error is in sink.error).
unsigned char* NextFrameBuffer(FrameSink& sink);
// Queues the buffer NextFrameBuffer returned, as show frame `frame`.
void QueueFrame(FrameSink& sink, int64_t frame);

// Writes what is queued, ends the encoder and gives the video its final name.
// false with sink.error set when anything failed; then nothing is left behind.
bool FinishSink(FrameSink& sink);
// Stops at once (interrupted, or failed elsewhere): the encoder is killed and
// its partial file removed. Frames already complete stay.
void AbandonSink(FrameSink& sink);
