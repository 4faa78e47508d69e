#include "music/player.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The start-up check that the run-time decoder is the one the player was built for.
#define NIVORA_STRINGIZE_(x) #x
#define NIVORA_STRINGIZE(x) NIVORA_STRINGIZE_(x)

const char* const audioVersionMessage = "libopenmpt version " NIVORA_STRINGIZE(
    OPENMPT_API_VERSION_MAJOR) "." NIVORA_STRINGIZE(OPENMPT_API_VERSION_MINOR) " was not loaded";

bool AudioVersionOk() {
  uint32_t version = openmpt_get_library_version();
  uint32_t major = version >> 24, minor = (version >> 16) & 0xFF;
  return major == OPENMPT_API_VERSION_MAJOR && minor >= OPENMPT_API_VERSION_MINOR;
}

namespace {

// A looping module is given this many repeats; the decoder counts them down at
// each wrap, which is how a wrap is seen (an endless count never changes).
constexpr int32_t loopRepeats = 1 << 30;

// The sync effect is E8x in MOD and XM, S2x in S3M and IT. A converted or packed
// module (MO3) keeps the effect letters of the format it came from.
bool UsesScreamTrackerEffects(openmpt_module* module) {
  bool result = false;
  for (const char* key : {"originaltype", "type"}) {
    const char* type = openmpt_module_get_metadata(module, key);
    bool known = type && *type;
    if (known)
      result = !std::strcmp(type, "s3m") || !std::strcmp(type, "it") || !std::strcmp(type, "mptm");
    openmpt_free_string(type);
    if (known) break;
  }
  return result;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// One pass over every pattern cell: the sync effect (the first channel's) and
// the row delays, pattern delay EEx / SEx (the first) and fine delay S6x (they
// add up).
void ScanRowEffects(MusicPlayer& p) {
  bool screamTracker = UsesScreamTrackerEffects(p.module);
  const char* letter = screamTracker ? "S" : "E";
  int command = screamTracker ? 2 : 8;
  int patterns = openmpt_module_get_num_patterns(p.module);
  int channels = openmpt_module_get_num_channels(p.module);
  p.patternRow.assign(static_cast<size_t>(patterns) + 1, 0);
  for (int pat = 0; pat < patterns; pat++)
    p.patternRow[pat + 1] = p.patternRow[pat] + openmpt_module_get_pattern_num_rows(p.module, pat);
  size_t allRows = static_cast<size_t>(p.patternRow[patterns]);
  p.syncRowParam.assign(allRows, -1);
  p.rowRepeats.assign(allRows, 0);
  p.rowExtraTicks.assign(allRows, 0);
  for (int pat = 0; pat < patterns; pat++) {
    int rows = p.patternRow[pat + 1] - p.patternRow[pat];
    for (int row = 0; row < rows; row++) {
      size_t at = static_cast<size_t>(p.patternRow[pat] + row);
      for (int ch = 0; ch < channels; ch++) {
        const char* effect = openmpt_module_format_pattern_row_channel_command(
            p.module, pat, row, ch, OPENMPT_MODULE_COMMAND_EFFECT);
        const char* param = openmpt_module_format_pattern_row_channel_command(
            p.module, pat, row, ch, OPENMPT_MODULE_COMMAND_PARAMETER);
        bool extended = effect && param && !std::strcmp(effect, letter) && std::strlen(param) == 2 &&
                        HexDigit(param[0]) >= 0 && HexDigit(param[1]) >= 0;
        int high = extended ? HexDigit(param[0]) : -1, low = extended ? HexDigit(param[1]) : 0;
        if (high == command && p.syncRowParam[at] < 0) p.syncRowParam[at] = static_cast<int8_t>(low);
        if (high == 0xE && p.rowRepeats[at] == 0) p.rowRepeats[at] = static_cast<uint8_t>(low);
        if (high == 6 && screamTracker)
          p.rowExtraTicks[at] = static_cast<uint8_t>(std::min(255, p.rowExtraTicks[at] + low));
        openmpt_free_string(effect);
        openmpt_free_string(param);
      }
    }
  }
}

void FireOldestEvent(MusicPlayer& p) {
  MusicEvent e = p.events[p.eventHead];
  p.eventHead = (p.eventHead + 1) % musicEventQueue;
  p.eventCount--;
  MusicCallback callback = e.type == MusicSyncEnd ? p.endCallback : p.syncCallback;
  uint32_t user = e.type == MusicSyncEnd ? p.endUser : p.syncUser;
  if (callback) callback(static_cast<uint32_t>(e.type), p.handle, e.param, user);
}

void QueueEvent(MusicPlayer& p, int64_t frame, int type, uint32_t param) {
  // A full queue gives its oldest callback early rather than lose one.
  if (p.eventCount == musicEventQueue) FireOldestEvent(p);
  MusicEvent& e = p.events[(p.eventHead + p.eventCount) % musicEventQueue];
  e.frame = frame;
  e.type = type;
  e.param = param;
  p.eventCount++;
}

void FireDueEvents(MusicPlayer& p) {
  if (!p.fireWhenRendered) return;
  while (p.eventCount > 0 && p.events[p.eventHead].frame + p.eventDelayFrames < p.framesRendered)
    FireOldestEvent(p);
}

const MusicRowStart& LatestRow(const MusicPlayer& p) {
  return p.rows[(p.rowCount - 1) % musicRowHistory];
}
MusicTick& LatestTick(MusicPlayer& p) { return p.ticks[(p.tickCount - 1) % musicTickHistory]; }

// A tick's frames at the decoder's current tempo.
int CurrentTickFrames(const MusicPlayer& p) {
  return MusicRowFrames(p.sampleRate, 1, openmpt_module_get_current_tempo(p.module));
}

void EnterTick(MusicPlayer& p, int64_t frame, int tickInRow) {
  MusicTick& t = p.ticks[p.tickCount % musicTickHistory];
  p.tickCount++;
  t.frame = frame;
  t.length = CurrentTickFrames(p);
  t.rowIndex = p.rowCount - 1;
  t.tickInRow = tickInRow;
}

// Records that (order, row) begins at frame and queues its sync.
void EnterRow(MusicPlayer& p, int64_t frame, int order, int row) {
  MusicRowStart& r = p.rows[p.rowCount % musicRowHistory];
  p.rowCount++;
  r.frame = frame;
  r.order = order;
  r.row = row;
  int pattern = openmpt_module_get_order_pattern(p.module, order);
  r.ticks = MusicRowTicks(p, pattern, row, openmpt_module_get_current_speed(p.module));
  EnterTick(p, frame, 0);
  int param = 0;
  if (MusicRowHasSync(p, pattern, row, &param))
    QueueEvent(p, frame, MusicSyncEffect, static_cast<uint32_t>(param));
}

void EndModule(MusicPlayer& p, int64_t frame) {
  p.ended = true;
  p.endFrame = frame;
  p.endCount++;
  QueueEvent(p, frame, MusicSyncEnd, 0);
}

}  // namespace

int MusicRowFrames(int sampleRate, int speed, int tempo) {
  if (speed < 1 || tempo < 1) return 1;
  // A tick is floor(rate * 2.5 / tempo) frames: 882 at 44,100 Hz and 125 BPM.
  return speed * static_cast<int>(static_cast<int64_t>(sampleRate) * 5 / (2 * tempo));
}

int MusicRowTicks(const MusicPlayer& p, int pattern, int row, int speed) {
  int ticks = std::max(1, speed);
  if (pattern < 0 || pattern + 1 >= static_cast<int>(p.patternRow.size())) return ticks;
  int first = p.patternRow[pattern];
  if (row < 0 || row >= p.patternRow[pattern + 1] - first) return ticks;
  return ticks * (1 + p.rowRepeats[first + row]) + p.rowExtraTicks[first + row];
}

bool MusicRowHasSync(const MusicPlayer& p, int pattern, int row, int* param) {
  if (pattern < 0 || pattern + 1 >= static_cast<int>(p.patternRow.size())) return false;
  int first = p.patternRow[pattern];
  if (row < 0 || row >= p.patternRow[pattern + 1] - first) return false;
  int value = p.syncRowParam[first + row];
  if (value < 0) return false;
  if (param) *param = value;
  return true;
}

bool ReadModuleFile(const char* path, std::vector<char>& bytes) {
  bytes.clear();
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  bool ok = !std::ferror(f);
  int why = errno;
  std::fclose(f);
  if (!ok) errno = why;
  return ok;
}

bool OpenMusicPlayer(MusicPlayer& p, const void* data, size_t size, int sampleRate, bool looping) {
  CloseMusicPlayer(p);
  if (!data || size == 0 || sampleRate <= 0) return false;
  openmpt_module* module = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent,
                                                              nullptr, openmpt_error_func_ignore,
                                                              nullptr, nullptr, nullptr, nullptr);
  if (!module) return false;
  // Stop at the end instead of playing on from a looped pattern, so a short read
  // marks the end; no dither, so every render of the module is the same.
  openmpt_module_ctl_set_text(module, "play.at_end", "stop");
  openmpt_module_ctl_set_integer(module, "dither", 0);
  openmpt_module_set_repeat_count(module, looping ? loopRepeats : 0);
  p.module = module;
  p.sampleRate = sampleRate;
  p.looping = looping;
  ScanRowEffects(p);
  p.playing = false;
  return true;
}

void CloseMusicPlayer(MusicPlayer& p) {
  if (p.module) openmpt_module_destroy(p.module);
  p.module = nullptr;
  p.playing = false;
  p.patternRow.clear();
  p.syncRowParam.clear();
  p.rowRepeats.clear();
  p.rowExtraTicks.clear();
  p.eventCount = 0;
}

void RestartMusicPlayer(MusicPlayer& p, int order, int row) {
  if (!p.module) return;
  openmpt_module_set_repeat_count(p.module, p.looping ? loopRepeats : 0);
  openmpt_module_set_position_order_row(p.module, order, row);
  p.playing = true;
  p.ended = false;
  p.framesRendered = 0;
  p.endFrame = -1;
  p.endCount = 0;
  p.rowCount = 0;
  p.tickCount = 0;
  p.eventHead = p.eventCount = 0;
  EnterRow(p, 0, openmpt_module_get_current_order(p.module),
           openmpt_module_get_current_row(p.module));
}

namespace {

// The render loop for either sample type: Read(module, rate, frames, out) is the
// decoder's interleaved stereo read for that type.
template <typename Sample, typename Read>
void RenderFrames(MusicPlayer& p, Sample* out, int frames, Read read) {
  int done = 0;
  while (done < frames && p.playing && !p.ended) {
    // Pieces of at most 64 frames that also stop where the current tick ends: the
    // decoder changes rows only between ticks, so a row change is always seen in
    // the piece it begins with.
    MusicTick& tick = LatestTick(p);
    int64_t tickEnd = tick.frame + tick.length;
    int piece = std::min(frames - done, musicPieceFrames);
    if (p.framesRendered < tickEnd)
      piece = static_cast<int>(std::min<int64_t>(piece, tickEnd - p.framesRendered));
    int64_t pieceStart = p.framesRendered;
    int32_t repeatsBefore = openmpt_module_get_repeat_count(p.module);
    size_t got = read(p.module, p.sampleRate, piece, out + 2 * done);
    done += static_cast<int>(got);
    p.framesRendered += static_cast<int64_t>(got);
    if (static_cast<int>(got) < piece) {
      // The decoder then reports order 0, row 0: that is the end, not a wrap.
      EndModule(p, p.framesRendered);
      break;
    }
    int order = openmpt_module_get_current_order(p.module);
    int row = openmpt_module_get_current_row(p.module);
    const MusicRowStart& latest = LatestRow(p);
    bool wrapped = p.looping && openmpt_module_get_repeat_count(p.module) < repeatsBefore;
    if (order != latest.order || row != latest.row || wrapped) {
      // Begun with this piece (to the frame when the tick's length was right).
      if (wrapped) {
        p.endCount++;
        QueueEvent(p, pieceStart, MusicSyncEnd, 0);
      }
      EnterRow(p, pieceStart, order, row);
    } else if (pieceStart == tickEnd) {
      EnterTick(p, pieceStart, tick.tickInRow + 1);
    } else if (pieceStart == tick.frame) {
      // The tick's first piece: its own speed and tempo effects have now been
      // read (the row's speed on its first tick, a slide's tempo on any).
      tick.length = CurrentTickFrames(p);
      if (tick.tickInRow == 0) {
        MusicRowStart& r = p.rows[(p.rowCount - 1) % musicRowHistory];
        r.ticks = MusicRowTicks(p, openmpt_module_get_order_pattern(p.module, order), row,
                                openmpt_module_get_current_speed(p.module));
      }
    }
  }
  if (done < frames) {
    std::memset(out + 2 * done, 0, sizeof(Sample) * 2 * static_cast<size_t>(frames - done));
    p.framesRendered += frames - done;
  }
  FireDueEvents(p);
}

}  // namespace

void RenderMusicFrames(MusicPlayer& p, float* out, int frames) {
  RenderFrames(p, out, frames, openmpt_module_read_interleaved_float_stereo);
}

void RenderMusicFrames16(MusicPlayer& p, int16_t* out, int frames) {
  RenderFrames(p, out, frames, openmpt_module_read_interleaved_stereo);
}

void FireHeardMusicEvents(MusicPlayer& p, int64_t frame) {
  while (p.eventCount > 0 && p.events[p.eventHead].frame <= frame) FireOldestEvent(p);
}

int64_t NextQueuedSyncFrame(const MusicPlayer& p) {
  for (int i = 0; i < p.eventCount; i++) {
    const MusicEvent& e = p.events[(p.eventHead + i) % musicEventQueue];
    if (e.type == MusicSyncEffect) return e.frame;
  }
  return -1;
}

MusicPosition MusicPositionAt(const MusicPlayer& p, int64_t frame) {
  MusicPosition pos;
  if (!p.playing || p.tickCount == 0) return pos;
  // Past the end the last sound heard stays the position.
  if (p.endFrame >= 0 && frame >= p.endFrame) frame = p.endFrame - 1;
  if (frame >= p.framesRendered) frame = p.framesRendered - 1;
  int oldest = std::max(0, p.tickCount - musicTickHistory);
  int i = p.tickCount - 1;
  while (i > oldest && p.ticks[i % musicTickHistory].frame > frame) i--;
  const MusicTick& t = p.ticks[i % musicTickHistory];
  const MusicRowStart& r = p.rows[t.rowIndex % musicRowHistory];
  int64_t into = std::clamp<int64_t>(frame - t.frame, 0, t.length - 1);
  pos.order = r.order;
  pos.row = r.row;
  // 64 * (ticks played + part of this one) / ticks in the row. Ticks past the
  // row's expected count (a delay the scan did not see) hold at 63.
  int64_t steps = 64 * (static_cast<int64_t>(t.tickInRow) * t.length + into) /
                  (static_cast<int64_t>(r.ticks) * t.length);
  pos.fraction = static_cast<int>(std::min<int64_t>(63, steps));
  return pos;
}

int32_t MusicPositionWord(MusicPosition position) {
  if (position.order < 0) return -1;
  return (position.order & 0xFFFF) |
         static_cast<int32_t>(static_cast<uint32_t>(position.row * 64 + position.fraction) << 16);
}
