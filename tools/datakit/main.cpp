// datakit FOLDER: writes the demo's data files into FOLDER (created if missing).
#include "tools/datakit/datakit.h"

#include <cstdio>
#include <filesystem>

namespace datakit {

void Progress::wrote(const std::string& file)
{
    ++done;
    std::fprintf(stderr, "[%3d/%3d] %s\n", done, total, file.c_str());
}

} // namespace datakit

int main(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: datakit FOLDER\nWrites every data file of the demo into FOLDER.\n");
        return argc == 2 ? 0 : 2;
    }
    const std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    datakit::Progress progress(datakit::pictureFileCount() + datakit::musicFileCount()
                               + datakit::modelFileCount() + datakit::textModelFileCount()
                               + datakit::flightDataFileCount() + datakit::storyFileCount());
    if (!datakit::writePictures(folder, progress) || !datakit::writeMusic(folder, progress)
        || !datakit::writeModels(folder, progress) || !datakit::writeTextModels(folder, progress)
        || !datakit::writeFlightData(folder, progress) || !datakit::writeStory(folder, progress))
        return 1;
    return 0;
}
