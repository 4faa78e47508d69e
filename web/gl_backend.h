// The page's GL: the engine's calls go through the recording stand-in in
// forward mode to the GL 1.x subset on ES 3 shaders, on the WebGL 2 context.
#pragma once

// The display request's contextReady: null once GL is routed, else the fatal text.
const char* RouteGlToBackend();
