// What the benches through a real sound server share: a server of their own
// (PulseAudio or PipeWire, started by tests/e2e/sound_session.sh) with a null
// sink, and a recording of its monitor by parecord, read as it arrives with the
// time each piece came in.
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

// A server of `kind` ("pulse" or "pipewire") in `dir`, up once its null sink
// answers as the default; 0 when it never came up. PULSE_SERVER and
// PIPEWIRE_RUNTIME_DIR are set for the clients this process opens after it.
// `realtime` runs the server's threads round-robin at that priority (0: as
// started), as a desktop's sound server asks for.
pid_t StartSoundServer(const std::string& kind, const std::string& dir, int realtime = 0);
// Ends the server and removes `dir`.
void StopSoundServer(pid_t server, const std::string& dir);
// parecord of the null sink's monitor of the server in `dir`.
bool StartRecording(Recording& recording, const std::string& kind, const std::string& dir);
// Ends parecord and takes in the last of what it sent.
void StopRecording(Recording& recording);
// The time the recording received frame n; NaN past its end.
double ReceivedAt(const Recording& recording, int64_t n);
// The same, bounded by every piece of the next quarter second: a piece that came
// in at t with frame m in it says frame n came in by t - (m - n) / rate, the
// monitor running in real time. A reader that was kept from the pipe for a
// while thus takes frame n's time from a piece read after the backlog.
double EarliestReceivedAt(const Recording& recording, int64_t n);
