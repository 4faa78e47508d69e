#include "shell/gl_window.h"

GlWindow glWindow;
