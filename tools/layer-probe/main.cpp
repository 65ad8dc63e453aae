// layer-probe: runs one of the platform's library layers on its own and writes what the layer
// gives, so that the Linux build (libjpeg-turbo, mpg123, libpng) and the Windows build (WIC, ACM,
// waveOut) of the same layer can be compared on the same files.
//
//   layer-probe jpeg FILE OUT.raw    the JPEG layer; see probe_jpeg.cpp
//   layer-probe png OUT.png          the PNG writer on a test picture; see probe_jpeg.cpp
//   layer-probe mp3 FILE OUT.raw     the whole-file MP3 decoder; see probe_mp3.cpp
//   layer-probe play FILE SECONDS    the sound layer's play position against the clock
#include "tools/layer-probe/probes.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc >= 2) {
        const char* probe = argv[1];
        if (std::strcmp(probe, "jpeg") == 0)
            return probeJpeg(argc - 1, argv + 1);
        if (std::strcmp(probe, "png") == 0)
            return probePng(argc - 1, argv + 1);
        if (std::strcmp(probe, "mp3") == 0)
            return probeMp3(argc - 1, argv + 1);
        if (std::strcmp(probe, "play") == 0)
            return probePlay(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "usage: layer-probe jpeg FILE OUT.raw | png OUT.png | mp3 FILE OUT.raw | play FILE SECONDS\n");
    return 2;
}
