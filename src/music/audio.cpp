// Placeholder until the audio layer lands.
#include "music/audio.h"

const char* const audioVersionMessage = "libopenmpt version 0.6 was not loaded";
uint32_t musicHandle = 0;

bool AudioVersionOk() { return true; }
bool InitAudioDevice(int) { return false; }
uint32_t LoadMusic(const char*, int) { return 0; }
void SetMusicSync(uint32_t, int, int, MusicCallback, uint32_t) {}
void SetMusicPositionScaler(uint32_t, int) {}
void StartAudioOutput() {}
void PlayMusic(uint32_t, int, int, int) {}
int32_t GetMusicPosition(uint32_t) { return -1; }
void SetAudioVolume(int) {}
void FreeAudio() {}
