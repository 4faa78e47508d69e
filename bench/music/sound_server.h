// What the viewer-level benches share for sound through a real server: a
// PulseAudio server of their own with a null sink, and a recording of a monitor
// by parecord, read as it arrives with the time each piece came in.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Seconds on SDL's performance counter: the time base of every bench stamp.
double BenchNow();

// The recording of a monitor, read as it arrives.
struct Recording {
  pid_t pid = 0;
  int fd = -1;
  std::vector<float> samples;                        // interleaved stereo, 44,100 Hz
  std::vector<std::pair<double, int64_t>> arrivals;  // (time, frames received by then)
  std::thread reader;
};

// parecord of `device` on `server` (a PulseAudio server address).
bool StartRecording(Recording& recording, const std::string& server, const std::string& device);
// Ends parecord and takes in the last of what it sent.
void StopRecording(Recording& recording);
// The time the recording received frame n; NaN past its end.
double ReceivedAt(const Recording& recording, int64_t n);
// The same, bounded by every piece of the next quarter second: a piece that came
// in at t with frame m in it says frame n came in by t - (m - n) / rate, the
// monitor running in real time. A reader that was kept from the pipe for a
// while thus takes frame n's time from a piece read after the backlog.
double EarliestReceivedAt(const Recording& recording, int64_t n);

// A PulseAudio server with the null sink "bench_null" at 44,100 Hz, its socket
// at dir/native; 0 when it cannot be started. The caller ends it (SIGTERM).
pid_t StartPulse(const std::string& dir);
