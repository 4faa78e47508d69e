#include "shell/run.h"

int main() { return RunShow(); }
