// The typed text in the lab: the story file typed out one character per frame at the default
// font and position, or a paragraph of our own when there is no story file.
#include "tools/effect-shot/shot.h"

#include "effects/text.h"

namespace {

// Thirty lines, so a long enough shot shows the block scrolling.
const char* const paragraph =
    "The signal came in at dawn, a thin carrier\n"
    "riding under the noise of the old relay.\n"
    "Nobody on the station had heard it before.\n"
    "\n"
    "We tuned the dishes by hand, one degree\n"
    "at a time, until the pattern held still:\n"
    "\tpulses in threes, then a long silence,\n"
    "\tthen pulses in threes again.\n"
    "\n"
    "Mara said it sounded like a heartbeat.\n"
    "Ilkka said it sounded like a warning.\n"
    "I wrote both words in the log and waited.\n"
    "\n"
    "By noon the carrier had grown stronger.\n"
    "By evening it carried pictures: grids of\n"
    "light, rings inside rings, a spiral that\n"
    "turned slowly as we watched the screens.\n"
    "\n"
    "We did not sleep that night. The spiral\n"
    "opened, and in its centre was a shape we\n"
    "all knew at once, though none of us could\n"
    "say its name out loud: our own station,\n"
    "seen from far above, small and bright.\n"
    "\n"
    "Someone out there was looking back.\n"
    "Someone out there had been waiting long.\n"
    "\n"
    "At dawn we answered. Three pulses, then\n"
    "a long silence, then three pulses again.\n"
    "Then we listened.\n";

class TypedText : public lab::Shot {
public:
    TypedText()
    {
        if (!text.loadText("./data/text.txt"))
            text.startTyping(paragraph);
    }
    void frame(double, int) override
    {
        text.reveal();
        text.draw();
    }

private:
    Text text;
};

} // namespace

LAB_SHOT("text", "the story text typed out, one character per frame", TypedText);
