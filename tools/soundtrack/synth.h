// The soundtrack's instruments, synthesized: drums and effects as one-shots
// recorded at 44,100 Hz, tones as seamless loops of 128 frames per cycle of C-4.
#pragma once

#include <cstdint>
#include <vector>

constexpr double oneShotRate = 44100.0;
// A looped tone holds 256 cycles of C-4 in 32,768 frames: 128 frames per cycle.
constexpr int loopFrames = 32768;
constexpr double loopRate = 128.0 * 261.6255653005986;  // C-4 at 128 frames a cycle

using Wave = std::vector<double>;  // -1..1

Wave SynthKick();
Wave SynthSnare();
Wave SynthClap();
Wave SynthHat(double decaySeconds);
Wave SynthCrash();
Wave SynthReversedCrash(double seconds);
Wave SynthRiser();
Wave SynthCrackle();
Wave SynthTick();
Wave SynthBell();  // recorded at C-5
Wave SynthArp();   // recorded at C-5
Wave SynthBassLoop();
Wave SynthPadLoop();
Wave SynthWindLoop();

// Scales to the given peak and converts to 16-bit frames.
std::vector<int16_t> ToFrames(const Wave& wave, double peak);
