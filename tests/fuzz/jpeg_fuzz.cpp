// Fuzz target for the JPEG image and the decoder under it: any bytes must give a clean true or
// false, with no exit, abort or stray jump.
#include <cstdio>

#include "assets/jpg_image.h"
#include "platform/ijl.h"
#include "tests/fuzz/fuzz_file.h"

namespace {
// Inputs whose header claims more pixels than this are only checked up to the header. Every
// decoding path is reached by pictures this small; a big one only repeats the same rows, and
// under the sanitizers each pixel costs a few coverage calls and its pages a fault, so a single
// 2048 x 2048 input took as long as a thousand small ones.
constexpr long long maxFuzzPixels = 1LL << 16;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static FuzzFile file;
    static FILE* quiet = std::freopen("/dev/null", "w", stdout); // the image reports on stdout
    (void)quiet;
    const char* path = file.write(bytes, size);

    JPEG_CORE_PROPERTIES properties{};
    ijlInit(&properties);
    properties.JPGFile = path;
    const int code = ijlRead(&properties, IJL_JFILE_READPARAMS);
    ijlFree(&properties);
    if (code == IJL_OK && (long long)properties.JPGWidth * properties.JPGHeight > maxFuzzPixels)
        return 0;

    JPGImage image;
    if (image.load(path)) {
        // The pixels must fill width x height x 3 bytes: ASan checks both ends of the buffer.
        const size_t last = size_t(image.width) * size_t(image.height) * 3 - 1;
        volatile unsigned char sink = image.data[0] ^ image.data[last];
        (void)sink;
    }
    return 0;
}
