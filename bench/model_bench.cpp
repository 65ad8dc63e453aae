// Set-up time of a large scene object: a closed 20,000-face torus written as a 3DS file, loaded
// and given every feature the demo's models get, on the headless context. Prints the time of
// each step; the whole set-up should stay well under half a second.
#include "assets/writer3ds.h"
#include "geometry/nobject.h"
#include "platform/os.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>

namespace {

constexpr int rings = 100;    // around the z axis
constexpr int segments = 100; // around the tube: rings x segments x 2 = 20,000 faces
constexpr double majorRadius = 30;
constexpr double minorRadius = 10;

Writer3DS torusScene()
{
    Writer3DS writer;
    writer.addMaterial("Torus"); // a material, so the faces get texture coordinates too
    MeshBuilder& mesh = writer.addMesh("Torus");
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const double u = 2 * std::numbers::pi * i / rings, v = 2 * std::numbers::pi * j / segments;
            const double r = majorRadius + minorRadius * std::cos(v);
            mesh.addVertex(Vec3(r * std::cos(u), r * std::sin(u), minorRadius * std::sin(v)),
                           Vec2{float(i) / rings, float(j) / segments});
        }
    auto at = [](int i, int j) { return uint16_t((i % rings) * segments + (j % segments)); };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            mesh.addFace(at(i, j), at(i + 1, j), at(i + 1, j + 1), 1, 0);
            mesh.addFace(at(i, j), at(i + 1, j + 1), at(i, j + 1), 1, 0);
        }
    return writer;
}

class Stopwatch {
public:
    double lapMs()
    {
        const auto now = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - last).count();
        last = now;
        return ms;
    }

private:
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
};

} // namespace

int main()
{
    os::selectBackend(os::Backend::Headless);
    os::Window* window = os::createWindow("model bench", 0, 0, 320, 240, false, nullptr);
    if (!window || !os::createContext(window) || !os::makeCurrent(window, true)) {
        std::fprintf(stderr, "model_bench: no headless context\n");
        return 1;
    }

    const std::string path = (std::filesystem::temp_directory_path() / "talvoren_model_bench.3ds").string();
    std::string error;
    if (!torusScene().writeFile(path, &error)) {
        std::fprintf(stderr, "model_bench: %s\n", error.c_str());
        return 1;
    }

    double totalMs = 0;
    auto report = [&](const char* step, double ms) {
        totalMs += ms;
        std::printf("%-20s %8.2f ms\n", step, ms);
    };
    {
        NObject object;
        Stopwatch watch;
        object.load3DS(path.c_str());
        report("load3DS", watch.lapMs());
        object.initLight();
        report("initLight", watch.lapMs());
        object.initShadow();
        report("initShadow", watch.lapMs());
        object.initRadial();
        report("initRadial", watch.lapMs());
        object.buildDisplayLists(4);
        report("buildDisplayLists", watch.lapMs());
        std::printf("%-20s %8.2f ms\n", "total", totalMs);

        int faces = 0, openEdges = 0;
        for (const auto& mesh : object.meshes)
            faces += mesh->faceCount();
        for (const Face* face : object.shadowFaces)
            for (const Face* neighbour : face->neighbours)
                openEdges += neighbour == face || neighbour == nullptr;
        std::printf("%d faces, %zu listed for the shadow, %d edges without a neighbour\n", faces,
                    object.shadowFaces.size(), openEdges);
    }

    std::filesystem::remove(path);
    os::makeCurrent(window, false);
    os::deleteContext(window);
    os::destroyWindow(window);
    return 0;
}
