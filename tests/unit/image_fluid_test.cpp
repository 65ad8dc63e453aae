// The image fluid without a GL context: the solver's boundaries, advection and projection, the
// step's jet, fade and counter, and the picture: how it is poured, which way round, and what a
// missing, unreadable or wrong-sized picture does.
#include "effects/image_fluid.h"

#include "app/log.h"
#include "assets/utility.h"
#include "geometry/random.h"
#include "platform/files.h"
#include "platform/os.h"
#include "tests/unit/picture_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr double pourPerByte = 0.01 * 0.05 / 255.0; // dye of one pour of channel byte 1

// ---------------------------------------------------------------------------------------------
// The solver

TEST(FluidSolver, BoundaryMirrorsNegatesByTypeAndAveragesCornersOnTheDyeGrid)
{
    const fluid::Grid grid{98, 48, 2}; // interior 196 x 96 in rows of 200
    auto value = [](int i, int j) { return 1.0 + i + 1000.0 * j; };
    for (int type : {fluid::scalarBoundary, fluid::horizontalVelocityBoundary,
                     fluid::verticalVelocityBoundary}) {
        std::vector<double> x(grid.size());
        for (int j = 0; j < 100; ++j)
            for (int i = 0; i < 200; ++i)
                x[size_t(grid.index(i, j))] = value(i, j);
        fluid::setBoundary(grid, type, x);
        auto at = [&](int i, int j) { return x[size_t(grid.index(i, j))]; };
        const double sides = type == fluid::horizontalVelocityBoundary ? -1 : 1;
        const double ends = type == fluid::verticalVelocityBoundary ? -1 : 1;
        for (int j = 1; j <= 96; ++j) {
            ASSERT_EQ(at(0, j), sides * value(1, j)) << type << " j " << j;
            ASSERT_EQ(at(197, j), sides * value(196, j)) << type << " j " << j;
        }
        for (int i = 1; i <= 196; ++i) {
            ASSERT_EQ(at(i, 0), ends * value(i, 1)) << type << " i " << i;
            ASSERT_EQ(at(i, 97), ends * value(i, 96)) << type << " i " << i;
        }
        EXPECT_EQ(at(0, 0), 0.5 * (at(1, 0) + at(0, 1)));
        EXPECT_EQ(at(0, 97), 0.5 * (at(1, 97) + at(0, 96)));
        EXPECT_EQ(at(197, 0), 0.5 * (at(196, 0) + at(197, 1)));
        EXPECT_EQ(at(197, 97), 0.5 * (at(196, 97) + at(197, 96)));
        // The interior and the spare columns and rows past the ring are left alone.
        EXPECT_EQ(at(50, 50), value(50, 50));
        for (int j = 0; j < 100; ++j)
            EXPECT_EQ(at(198, j) + at(199, j), value(198, j) + value(199, j)) << j;
        for (int i = 0; i < 200; ++i)
            EXPECT_EQ(at(i, 98) + at(i, 99), value(i, 98) + value(i, 99)) << i;
    }
}

TEST(FluidSolver, AdvectionInterpolatesLinearlyClampsAtTheRingAndReadsTheCoarseVelocity)
{
    // On the velocity grid a uniform flow shifts a linear field exactly by dt0 = 0.98 cells per
    // unit of velocity; back-traced points beyond the interior stop half a cell outside it.
    const fluid::Grid grid{98, 48, 1};
    const double dt0 = double(float(98 * 0.01));
    std::vector<double> d(grid.size()), d0(grid.size()), u(grid.size(), 2.0), v(grid.size(), -1.0);
    for (int j = 0; j < 50; ++j)
        for (int i = 0; i < 100; ++i)
            d0[size_t(grid.index(i, j))] = i + 3.0 * j;
    fluid::advect(grid, fluid::scalarBoundary, d, d0, u, v, 0.01);
    auto at = [&](int i, int j) { return d[size_t(grid.index(i, j))]; };
    EXPECT_NEAR(at(40, 20), (40 - 2 * dt0) + 3 * (20 + dt0), 1e-9);
    EXPECT_NEAR(at(98, 10), (98 - 2 * dt0) + 3 * (10 + dt0), 1e-9);
    EXPECT_NEAR(at(1, 10), 0.5 + 3 * (10 + dt0), 1e-9);   // x clamped to 0.5
    EXPECT_NEAR(at(50, 48), (50 - 2 * dt0) + 3 * 48.5, 1e-9); // y clamped to 48.5
    EXPECT_EQ(at(0, 10), at(1, 10));                      // and the ring set afterwards

    // On the dye grid the velocity of coarse cell (10, 10) moves dye cells 20 and 21 of rows 20
    // and 21 by dt0 = 1.96, and nothing else.
    const fluid::Grid dyeGrid{98, 48, 2};
    std::vector<double> dye(dyeGrid.size()), dye0(dyeGrid.size());
    std::vector<double> cu(grid.size()), cv(grid.size());
    cu[size_t(grid.index(10, 10))] = 1.0;
    for (int j = 0; j < 100; ++j)
        for (int i = 0; i < 200; ++i)
            dye0[size_t(dyeGrid.index(i, j))] = i;
    fluid::advect(dyeGrid, fluid::scalarBoundary, dye, dye0, cu, cv, 0.01);
    const double dyeDt0 = double(float(98 * 0.01 * 2));
    for (int j = 1; j <= 96; ++j) {
        for (int i = 1; i <= 196; ++i) {
            const bool moved = i / 2 == 10 && j / 2 == 10;
            ASSERT_NEAR(dye[size_t(dyeGrid.index(i, j))], moved ? i - dyeDt0 : i, 1e-12) << i << "," << j;
        }
    }
}

// Sum of squared central-difference divergence over the interior.
double divergenceEnergy(const fluid::Grid& grid, const std::vector<double>& u, const std::vector<double>& v)
{
    double sum = 0;
    for (int i = 1; i <= grid.cellsAcross(); ++i) {
        for (int j = 1; j <= grid.cellsDown(); ++j) {
            const double d = u[size_t(grid.index(i + 1, j))] - u[size_t(grid.index(i - 1, j))]
                           + v[size_t(grid.index(i, j + 1))] - v[size_t(grid.index(i, j - 1))];
            sum += d * d;
        }
    }
    return sum;
}

TEST(FluidSolver, ProjectionLowersTheDivergenceOfARandomField)
{
    const fluid::Grid grid{98, 48, 1};
    std::vector<double> u(grid.size()), v(grid.size()), p(grid.size()), div(grid.size());
    crt::srand(7);
    for (size_t k = 0; k < u.size(); ++k) {
        u[k] = crt::rand() / 16383.5 - 1.0;
        v[k] = crt::rand() / 16383.5 - 1.0;
    }
    fluid::setBoundary(grid, fluid::horizontalVelocityBoundary, u);
    fluid::setBoundary(grid, fluid::verticalVelocityBoundary, v);
    const double before = divergenceEnergy(grid, u, v);
    fluid::project(grid, u, v, p, div);
    const double after = divergenceEnergy(grid, u, v);
    EXPECT_LT(after, 0.5 * before) << before << " -> " << after;
    for (size_t k = 0; k < u.size(); ++k)
        ASSERT_TRUE(std::isfinite(u[k]) && std::isfinite(v[k])) << k;
    // The scratch fields keep the divergence and the pressure that was subtracted.
    EXPECT_NE(p[size_t(grid.index(30, 20))], 0.0);
    EXPECT_NE(div[size_t(grid.index(30, 20))], 0.0);
}

// ---------------------------------------------------------------------------------------------
// The fluid: a fixture whose data folder is an empty scratch folder (so the constructor finds
// no picture unless a test writes one) and whose message boxes are recorded.

class ImageFluidTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousLogger = logger;
        logger = &log;
        os::setMessageBoxHook([this](const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return os::IDOK;
        });
        previousDataFolder = os::dataFolder();
        dataFolder = pictures::scratchPath("data");
        std::filesystem::remove_all(dataFolder);
        std::filesystem::create_directories(dataFolder);
        os::setDataFolder(dataFolder);
    }
    void TearDown() override
    {
        os::setDataFolder(previousDataFolder);
        std::filesystem::remove_all(dataFolder);
        os::setMessageBoxHook(nullptr);
        logger = previousLogger;
    }

    // A fluid with no picture and no messages left over.
    std::unique_ptr<ImageFluid> emptyFluid()
    {
        auto fluid = std::make_unique<ImageFluid>();
        boxes.clear();
        return fluid;
    }

    Log log{false};
    Log* previousLogger = nullptr;
    std::string previousDataFolder, dataFolder;
    std::vector<std::string> boxes;
};

double dyeAt(const ImageFluid& fluid, int channel, int i, int j)
{
    return fluid.dye[size_t(channel)].current[size_t(i + 200 * j)];
}

// ---------------------------------------------------------------------------------------------
// The step

TEST_F(ImageFluidTest, JetAdds300ToItsNineCellsThen150After50Steps)
{
    auto fluid = emptyFluid();
    auto expectJet = [&](double amount) {
        std::fill(fluid->uPrevious.begin(), fluid->uPrevious.end(), 0.0);
        const std::vector<double> vBefore = fluid->vPrevious;
        fluid->addJet();
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 100; ++x) {
                const bool jet = x >= 5 && x <= 7 && y >= 24 && y <= 26;
                ASSERT_DOUBLE_EQ(fluid->uPrevious[size_t(x + 100 * y)], jet ? amount : 0.0) << x << "," << y;
            }
        }
        EXPECT_EQ(fluid->vPrevious, vBefore);
    };
    expectJet(300.0);
    for (int s = 0; s < 50; ++s)
        fluid->step();
    EXPECT_EQ(fluid->stepCount, 50);
    expectJet(150.0);

    // The jet drives the fluid rightwards just downstream of it.
    EXPECT_GT(fluid->u[size_t(9 + 100 * 25)], 0.0);
    for (double speed : fluid->u)
        ASSERT_TRUE(std::isfinite(speed));

    fluid->stopSource();
    expectJet(0.0);
}

TEST_F(ImageFluidTest, StepCountStartsAgainPast50000)
{
    auto fluid = emptyFluid();
    fluid->sourceOn = false;
    fluid->stepCount = 50000;
    fluid->step();
    EXPECT_EQ(fluid->stepCount, 50001);
    fluid->step();
    EXPECT_EQ(fluid->stepCount, 1);
}

TEST_F(ImageFluidTest, UntouchedDyeDecaysBy0975Times099OnceFading)
{
    auto fluid = emptyFluid();
    auto fill = [&](double base) {
        for (auto& field : fluid->dye)
            for (size_t k = 0; k < field.current.size(); ++k)
                field.current[k] = field.previous[k] = base + 1e-7 * double(k);
    };
    auto expectFaded = [&](double base, double factor) {
        for (int c = 0; c < 3; ++c) {
            for (int j = 0; j < 100; ++j) {
                for (int i = 0; i < 200; ++i) {
                    const double start = base + 1e-7 * double(i + 200 * j);
                    const bool faded = i <= 196 && j <= 96;
                    ASSERT_DOUBLE_EQ(dyeAt(*fluid, c, i, j), faded ? start * factor : start) << i << "," << j;
                }
            }
        }
    };
    fill(0.004);
    fluid->fadeDye();
    expectFaded(0.004, 0.99); // before the fade the constant decay alone
    fill(0.004);
    fluid->startFade();
    fluid->fadeDye();
    expectFaded(0.004, 0.975 * 0.99);

    // In a whole step with still fluid, the dye's 1 % source follows the decay and advection
    // leaves the dye where it is.
    fill(0.004);
    fluid->sourceOn = false;
    fluid->step();
    const double start = 0.004 + 1e-7 * (60 + 200 * 40);
    EXPECT_NEAR(dyeAt(*fluid, ImageFluid::greenChannel, 60, 40), start * 0.975 * 0.99 + 0.01 * start, 1e-15);
}

// ---------------------------------------------------------------------------------------------
// The picture

TEST_F(ImageFluidTest, ConstructorPoursThePictureTwelveTimesTheRightWayRound)
{
    // Top left red, top right green, bottom left blue, bottom right white, as the file stores it.
    pictures::writeFile(dataFolder + "/200x100.jpg",
                        pictures::jpegBytes(200, 100, [](int x, int y) {
                            if (y < 50)
                                return x < 100 ? pictures::Rgb(255, 0, 0) : pictures::Rgb(0, 255, 0);
                            return x < 100 ? pictures::Rgb(0, 0, 255) : pictures::Rgb(255, 255, 255);
                        }));
    ImageFluid fluid;
    EXPECT_TRUE(boxes.empty()) << boxes[0];
    EXPECT_EQ(fluid.stepCount, 0);
    const double full = 12 * 255 * pourPerByte; // 0.006
    auto expectColour = [&](int i, int j, bool r, bool g, bool b) {
        EXPECT_NEAR(dyeAt(fluid, ImageFluid::redChannel, i, j), r ? full : 0.0, 0.02 * full) << i << "," << j;
        EXPECT_NEAR(dyeAt(fluid, ImageFluid::greenChannel, i, j), g ? full : 0.0, 0.02 * full) << i << "," << j;
        EXPECT_NEAR(dyeAt(fluid, ImageFluid::blueChannel, i, j), b ? full : 0.0, 0.02 * full) << i << "," << j;
    };
    // Row 0 of the dye is drawn at the bottom, column 0 at the left.
    expectColour(40, 80, true, false, false);
    expectColour(160, 80, false, true, false);
    expectColour(40, 20, false, false, true);
    expectColour(160, 20, true, true, true);
    EXPECT_NEAR(ImageFluid::brightness(full), 0.83, 0.01);
}

TEST_F(ImageFluidTest, BlackPixelPoursNothingAndEachChannelGoesToItsOwnField)
{
    const std::string path = pictures::scratchPath("picture.bmp");
    pictures::writeFile(path, pictures::bmpBytes(200, 100, [](int x, int y) {
        if (x == 10 && y == 20)
            return pictures::Rgb(0, 0, 0);
        if (x == 30 && y == 40)
            return pictures::Rgb(0, 200, 0);
        return pictures::Rgb(255, 128, 64);
    }));
    auto fluid = emptyFluid();
    fluid->loadPicture(path.c_str(), bmpFileType);
    EXPECT_TRUE(boxes.empty());
    fluid->pourPicture();
    // A BMP's rows are stored bottom first and unmirrored: file pixel (x, y) pours at (199 - x, y).
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(dyeAt(*fluid, c, 189, 20), 0.0) << c;
    EXPECT_EQ(dyeAt(*fluid, ImageFluid::redChannel, 169, 40), 0.0);
    EXPECT_EQ(dyeAt(*fluid, ImageFluid::blueChannel, 169, 40), 0.0);
    EXPECT_DOUBLE_EQ(dyeAt(*fluid, ImageFluid::greenChannel, 169, 40), 200 / 255.0 * 0.01 * 0.05);
    EXPECT_DOUBLE_EQ(dyeAt(*fluid, ImageFluid::redChannel, 188, 20), 255 / 255.0 * 0.01 * 0.05);
    EXPECT_DOUBLE_EQ(dyeAt(*fluid, ImageFluid::greenChannel, 190, 20), 128 / 255.0 * 0.01 * 0.05);
    EXPECT_DOUBLE_EQ(dyeAt(*fluid, ImageFluid::blueChannel, 189, 21), 64 / 255.0 * 0.01 * 0.05);
    // Black draws black, and so does dye below 0.001.
    EXPECT_EQ(ImageFluid::brightness(0.0), 0.0);
    EXPECT_LE(ImageFluid::brightness(0.0005), 0.0);
    EXPECT_DOUBLE_EQ(ImageFluid::brightness(0.002), 0.5);
}

TEST_F(ImageFluidTest, PictureFailuresShowTheirMessagesAndLeaveNothingToPour)
{
    ImageFluid fluid;
    ASSERT_EQ(boxes, std::vector<std::string>{"Can't load file: ./data/200x100.jpg"});
    EXPECT_EQ(fluid.pixels, nullptr);
    for (const auto& field : fluid.dye)
        for (double d : field.current)
            ASSERT_EQ(d, 0.0);

    const std::string path = pictures::scratchPath("ok.jpg");
    pictures::writeFile(path, pictures::jpegBytes(200, 100, [](int, int) { return pictures::Rgb(90, 90, 90); }));
    boxes.clear();
    fluid.loadPicture(path.c_str(), 1002);
    fluid.loadPicture(path.c_str(), jpgFileType);
    ASSERT_NE(fluid.pixels, nullptr);
    const std::string broken = pictures::scratchPath("broken.jpg");
    pictures::writeFile(broken, {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3});
    fluid.loadPicture(broken.c_str(), jpgFileType); // a failed load drops the earlier picture
    EXPECT_EQ(boxes, (std::vector<std::string>{"Can't load filetype: 1002 image!",
                                               "Can't load file: " + broken}));
    EXPECT_EQ(fluid.pixels, nullptr);
    fluid.pourPicture();
    EXPECT_EQ(dyeAt(fluid, ImageFluid::redChannel, 100, 50), 0.0);
}

TEST_F(ImageFluidTest, WrongSizedPicturesAreUsedWithinTheGridAndReadWithinThemselves)
{
    struct Size {
        int width, height;
    };
    for (const Size size : {Size{150, 80}, Size{264, 136}, Size{304, 64}, Size{120, 160}}) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        const int columns = std::min(size.width, 200), rows = std::min(size.height, 100);
        // The part that pours (the file's right columns, since rows are stored mirrored, and its
        // top rows) is orange; the rest blue, which must never reach the dye.
        const std::string path = pictures::scratchPath("odd.jpg");
        pictures::writeFile(path, pictures::jpegBytes(size.width, size.height, [&](int x, int y) {
            return x >= size.width - columns && y < rows ? pictures::Rgb(240, 120, 0) : pictures::Rgb(0, 0, 240);
        }));
        auto fluid = emptyFluid();
        fluid->loadPicture(path.c_str(), jpgFileType);
        EXPECT_EQ(boxes, std::vector<std::string>{"Wrong file size (" + std::to_string(size.width) + " x "
                                                  + std::to_string(size.height) + ") should be 200 x 100"});
        ASSERT_NE(fluid->pixels, nullptr);
        fluid->pourPicture();
        // Poured at the right and top of the grid, the picture's left and top edge in place.
        for (int j = 0; j < 100; ++j) {
            for (int i = 0; i < 200; ++i) {
                const bool poured = i >= 200 - columns && j >= 100 - rows;
                const double red = dyeAt(*fluid, ImageFluid::redChannel, i, j);
                const double green = dyeAt(*fluid, ImageFluid::greenChannel, i, j);
                const double blue = dyeAt(*fluid, ImageFluid::blueChannel, i, j);
                if (!poured) {
                    ASSERT_EQ(red + green + blue, 0.0) << i << "," << j;
                    continue;
                }
                ASSERT_NEAR(red, 240 * pourPerByte, 12 * pourPerByte) << i << "," << j;
                ASSERT_NEAR(green, 120 * pourPerByte, 12 * pourPerByte) << i << "," << j;
                ASSERT_LT(blue, 12 * pourPerByte) << i << "," << j;
            }
        }
    }
}

} // namespace
