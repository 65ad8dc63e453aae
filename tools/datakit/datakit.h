// The data kit: writes every file the demo reads into one folder, deterministically (fixed
// seeds, the same bytes on every run). Each kind of file has its own generator source.
#pragma once

#include <string>

namespace datakit {

// One line per file written, so a person sees the kit working through its list.
class Progress {
public:
    explicit Progress(int totalFiles) : total(totalFiles) {}
    void wrote(const std::string& file);

private:
    int total;
    int done = 0;
};

// Each writes its files into folder and returns false (with a message on stderr) on failure.
bool writePictures(const std::string& folder, Progress& progress);
bool writeMusic(const std::string& folder, Progress& progress);
bool writeModels(const std::string& folder, Progress& progress);
bool writeTextModels(const std::string& folder, Progress& progress); // extruded lettering
bool writeFlightData(const std::string& folder, Progress& progress); // space.3ds and both camera paths
bool writeStory(const std::string& folder, Progress& progress);      // text.txt

// How many files each generator writes (for the progress count).
int pictureFileCount();
int musicFileCount();
int modelFileCount();
int textModelFileCount();
int flightDataFileCount();
int storyFileCount();

} // namespace datakit
