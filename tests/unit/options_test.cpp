#include "app/options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

ParseOutcome parse(std::vector<const char*> args, Options& options, std::string& error)
{
    args.insert(args.begin(), "talvoren");
    return parseOptions(int(args.size()), args.data(), options, error);
}

} // namespace

TEST(Options, NoArgumentsShowTheDialog)
{
    Options options;
    std::string error;
    EXPECT_EQ(parse({}, options, error), ParseOutcome::Run);
    EXPECT_TRUE(options.showDialog);
    EXPECT_EQ(options.dataFolder, "./data");
    EXPECT_FALSE(options.headless);
}

TEST(Options, SizeAndModeFlagsSkipTheDialog)
{
    for (const char* flag : {"--windowed", "--fullscreen", "--headless"}) {
        Options options;
        std::string error;
        EXPECT_EQ(parse({flag}, options, error), ParseOutcome::Run) << flag;
        EXPECT_FALSE(options.showDialog) << flag;
    }
    Options options;
    std::string error;
    EXPECT_EQ(parse({"--size", "1024x786", "--fullscreen", "--data", "/tmp", "--until", "5"}, options, error),
              ParseOutcome::Run);
    EXPECT_EQ(options.width, 1024);
    EXPECT_EQ(options.height, 786);
    EXPECT_TRUE(options.fullscreen);
    EXPECT_EQ(options.dataFolder, "/tmp");
    EXPECT_EQ(*options.untilSeconds, 5.0);
}

TEST(Options, FrameRunsHeadless)
{
    Options options;
    std::string error;
    EXPECT_EQ(parse({"--frame", "12.5", "out.png"}, options, error), ParseOutcome::Run);
    EXPECT_TRUE(options.headless);
    EXPECT_EQ(*options.frameSeconds, 12.5);
    EXPECT_EQ(options.framePath, "out.png");
}

TEST(Options, CaptureRunsHeadlessAndSilent)
{
    Options options;
    std::string error;
    EXPECT_EQ(parse({"--capture", "show.mp4", "--fps", "60", "--quiet"}, options, error), ParseOutcome::Run);
    EXPECT_TRUE(options.headless);
    EXPECT_TRUE(options.mute);
    EXPECT_FALSE(options.showDialog);
    EXPECT_EQ(options.capture, "show.mp4");
    EXPECT_EQ(options.captureFps, 60.0);
    EXPECT_TRUE(options.quiet);
    EXPECT_EQ(options.width, 800); // the capture size unless --size says otherwise
    EXPECT_EQ(Options{}.captureFps, 62.5);
}

TEST(Options, BadInputIsAnErrorWithAReason)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--bogus"}, {"--size"}, {"--size", "800"}, {"--size", "800x"}, {"--size", "x600"},
        {"--size", "0x600"}, {"--size", "-5x600"}, {"--size", "800x600x2"}, {"--size", "99999x600"},
        {"--until", "soon"}, {"--until", "-1"}, {"--until", "nan"}, {"--frame", "3"}, {"--data"},
        {"--capture"}, {"--capture", ""}, {"--fps", "0"}, {"--fps", "fast"}, {"--fps", "5000"}, {"--fps"},
    };
    for (const auto& args : bad) {
        Options options;
        std::string error;
        EXPECT_EQ(parse(args, options, error), ParseOutcome::Error) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
    Options options;
    std::string error;
    EXPECT_EQ(parse({"--help"}, options, error), ParseOutcome::Help);
}
