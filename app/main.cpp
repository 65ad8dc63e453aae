// talvoren: plays the demo.
#include "app/options.h"
#include "app/program.h"

#include <cstdio>

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    switch (parseOptions(argc, argv, options, error)) {
    case ParseOutcome::Help:
        std::fputs(usageText(argv[0]).c_str(), stdout);
        return 0;
    case ParseOutcome::Error:
        std::fprintf(stderr, "talvoren: %s\n\n%s", error.c_str(), usageText(argv[0]).c_str());
        return 2;
    case ParseOutcome::Run:
        break;
    }
    return runProgram(options);
}
