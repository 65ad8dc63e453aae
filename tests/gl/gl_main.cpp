// The GL tests share one headless window and context, opened before the first test.
#include "tests/gl/gl_context.h"

#include <gtest/gtest.h>

os::Window* glTestWindow = nullptr;

namespace {

class HeadlessContext : public ::testing::Environment {
public:
    void SetUp() override
    {
        os::selectBackend(os::Backend::Headless);
        glTestWindow = os::createWindow("gl tests", 0, 0, glTestWidth, glTestHeight, false, nullptr);
        ASSERT_NE(glTestWindow, nullptr);
        ASSERT_TRUE(os::createContext(glTestWindow));
        ASSERT_TRUE(os::makeCurrent(glTestWindow, true));
    }
    void TearDown() override
    {
        os::makeCurrent(glTestWindow, false);
        os::deleteContext(glTestWindow);
        os::destroyWindow(glTestWindow);
    }
};

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new HeadlessContext);
    return RUN_ALL_TESTS();
}
