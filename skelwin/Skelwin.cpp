// The Skelwin console program.
#include "skelwin/main.h"

int main(int argc, char** argv) { return runSkelwin(argc, argv); }
