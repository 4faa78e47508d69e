// The show's GL 1.x subset on OpenGL ES 3.0 (and so WebGL 2): immediate mode
// collected into one streaming vertex buffer, the matrices, light 0 and the
// modulate texture stage as uniforms of one shader program. The recording
// stand-in forwards to it: GlrecLoadForwarding(EsglProc, ...) after EsglStart.
// It knows no window system; its ES entry points come from the resolver.
#pragma once

#include <string>

using EsglResolver = void* (*)(const char* name);

// Loads the ES 3 entry points of the current context, builds the program and
// the vertex buffer and sets GL 1.x's initial state. False with one line in
// `error` when the context lacks an entry point or is not ES 3, or the
// program does not build (its info log then went to stderr).
bool EsglStart(EsglResolver resolve, std::string& error);
// Frees what EsglStart made, while its context is still current.
void EsglStop();
// The stand-in's forward mode onto the context's own GL (`resolve`'s), or onto
// the backend started on it (es); false with `error` when either lacks a call.
bool ForwardGlrecTo(bool es, EsglResolver resolve, std::string& error);

// The GL 1.x entry point of this backend named `name` ("glVertex3f"), or null:
// the resolver glrec's forward mode takes.
void* EsglProc(const char* name);

// Compiles and links a program from GLSL ES 3.00 sources, each stage's being
// `prefix` followed by its source, with the attributes bound to their locations
// (position 0, colour 1, normal 2, texture 3). On a failure returns 0 and puts
// the compiler's or linker's log in `log`. Needs EsglStart's entry points loaded.
unsigned CompileEsglProgram(const char* prefix, const char* vertexSource,
                            const char* fragmentSource, std::string& log);

// The show's vertex and fragment shaders, after one of the variant prefixes:
// the version line and, for variants 0-7, LIGHTING (bit 0), TEXTURING (bit 1)
// and FLAT (bit 2) with the colour per vertex; 8 and 9 take the current colour
// as a constant (COLOR_CONSTANT), unlit, untextured and textured: flat shading
// changes nothing then.
constexpr int esglVariants = 10;
constexpr int esglConstantColorVariant = 8;  // + 1 textured
const char* EsglVariantPrefix(int variant);
extern const char* const esglVertexShader;
extern const char* const esglFragmentShader;
