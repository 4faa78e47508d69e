// Which server answers on the PulseAudio socket. PipeWire's pulse server runs
// its graph in cycles of the stream's own small latency request and its null
// sink's monitor receives a block a block later than PulseAudio's does, so the
// heard clock must tell the two apart; the driver's name alone ("pulseaudio")
// does not.
#pragma once

// True when the socket named by `pulseServer` (PULSE_SERVER's form: a list of
// addresses, "unix:PATH", "{id}unix:PATH" or a bare path; null or empty for
// the default) or else `runtimeDir`/pulse/native is held by a process of
// PipeWire's. False when it is PulseAudio, a TCP address, or cannot be told.
bool PulseSocketServedByPipeWire(const char* pulseServer, const char* runtimeDir);
