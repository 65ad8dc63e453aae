// Fuzz target for camera path files: any bytes must load cleanly, and whatever loads must be
// safe to fly: jumps along the whole path and a stretch of the even-speed flight, which walks
// the cursor (and its look-ahead) through degenerate paths too: repeated points, points too
// few for a curve, huge or non-finite coordinates.
#include "geometry/camera.h"
#include "tests/fuzz/fuzz_file.h"

namespace {
constexpr int flightCalls = 16; // followPath calls per input, as many frames of a scene
constexpr double jumpFractions[] = {-1.0, 0.0, 0.25, 0.5, 0.999, 1.0, 2.0};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static FuzzFile file;
    Camera camera;
    if (!camera.loadPath(file.write(bytes, size)))
        __builtin_trap(); // the file exists, so only reading can refuse it, and that is not a failure
    if (camera.eyePath.pointCount() != camera.viewPath.pointCount() ||
        camera.eyePath.pointCount() != camera.upPath.pointCount())
        __builtin_trap();

    float sum = 0.0f;
    for (double f : jumpFractions) {
        camera.jumpTo(f);
        sum += camera.eye.x + camera.view.y + camera.up.z;
    }
    Vec3 ahead;
    if (camera.eyePath.peek(3, ahead))
        sum += ahead.x;
    camera.jumpTo(0.0);
    for (int i = 0; i < flightCalls && camera.followPath(); ++i)
        sum += camera.eye.x + camera.view.y + camera.up.z;
    // The cursor never leaves the path's last curve segment.
    const int n = camera.eyePath.pointCount();
    if (n >= 4 && camera.eyePath.cursorSegment() > n - 4)
        __builtin_trap();
    volatile float sink = sum;
    (void)sink;
    return 0;
}
