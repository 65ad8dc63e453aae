// The probes of layer-probe, one per layer. Each takes its own arguments (argv[0] is the probe's
// name) and returns the process exit status: 0 when the probe ran (whatever the layer answered),
// 2 for bad arguments, 1 when the probe itself could not run.
#pragma once

int probeJpeg(int argc, char** argv);
int probePng(int argc, char** argv);
int probeMp3(int argc, char** argv);
int probePlay(int argc, char** argv);
