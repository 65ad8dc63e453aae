// Fuzz target for the JPEG image and the decoder under it: any bytes must give a clean true or
// false, with no exit, abort or stray jump.
#include <cstdio>

#include "assets/jpg_image.h"
#include "platform/ijl.h"
#include "tests/fuzz/fuzz_file.h"

namespace {
// Inputs whose header claims more pixels than this are only checked up to the header: a
// legal 16384 x 16384 picture takes seconds to decode and tells the fuzzer nothing new.
constexpr long long maxFuzzPixels = 1LL << 22;
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
        unsigned sum = 0;
        for (size_t i = 0; i < size_t(image.width) * size_t(image.height) * 3; ++i)
            sum += image.data[i];
        volatile unsigned sink = sum;
        (void)sink;
    }
    return 0;
}
