// The program's entry point on Linux.
#include "app/program.h"

int main(int argc, char** argv) { return runCommandLine(argc, argv); }
