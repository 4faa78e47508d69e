#include "shell/gl_state.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "assets/textures.h"

void InitGlState(int width, int height) {
  glEnable(GL_TEXTURE_2D);
  glClearColor(0.2f, 0.2f, 0.2f, 0.0f);
  glClearDepth(1.0);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_SMOOTH);
  // Everything else keeps GL's defaults: no blending, culling or lighting,
  // GL_MODULATE, depth writes on.
  ResizeViewport(width, height);
  // The texture loader refuses pictures larger than this.
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
}

void ResizeViewport(int width, int height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 10000.0);
  // The only place that selects the modelview matrix; it stays identity all run.
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

PictureRect LayOutBetweenBars(int drawableWidth, int drawableHeight) {
  PictureRect picture = FitPicture(drawableWidth, drawableHeight);
  ResizeViewport(picture.width, picture.height);
  glViewport(picture.x, picture.y, picture.width, picture.height);
  return picture;
}
