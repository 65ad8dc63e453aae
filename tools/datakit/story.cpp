// The story typed out, white on black, over the last scene: a short tale of a lighthouse
// machine in a frozen harbour. Lines stay under 60 characters so the typewriter never has to
// break them, and every character is printable ASCII.
#include "tools/datakit/datakit.h"

#include <cstdio>
#include <string>

namespace datakit {

namespace {

constexpr const char* story = R"story(THE LAST LIGHTHOUSE OF TALVOREN

In the year the sea froze for the last time, the
keeper of the northern light was a machine.

It had no name that anyone remembered. The
fishermen had called it Old Lantern before they
went south, and the children had called it Tin
Heron, because it stood on one leg at the top of
the tower and turned its great glass head all
night long. It answered to neither. It answered
only to the dark.

Every evening it climbed the two hundred steps,
counting each one, because counting was a way of
keeping warm. It cleaned the lens with a cloth
that had once been a coat. It trimmed the lamp,
checked the clockwork, and wound the heavy chain
that let the light go round. Then it waited.

No ships came. The harbour had been white and
silent for eleven winters, the boats that stayed
behind lifted by the ice like toys on a table.
Still the machine kept the light. A lighthouse,
it had been told, is not for the ships you see.

On the longest night of the twelfth winter, the
light caught something far out on the ice: a
small figure, walking.

The figure was slow, and stopped often, and once
it fell and lay still for so long that the machine
began to count the seconds, as it counted steps.
At four hundred and twelve the figure rose again
and kept walking, towards the tower, towards the
only light in all that grey.

The machine had never left the tower at night.
Its orders, scratched on a brass plate beside the
door, were simple: KEEP THE LIGHT. But the plate
said nothing about what a light was for, and the
machine had had eleven winters to think about it.

It wound the chain as far as it would go, so the
lamp would turn for six hours without it. Then it
went down the two hundred steps, counting, and
opened the door onto the wind.

The cold was astonishing. Frost grew on its
joints as it walked and its old motors whined.
The snow came sideways, and the tower behind it
became a smudge, then a rumour, then only a slow
pulse of light that swept over its back every
nine seconds, like a hand on a shoulder.

It found the traveller curled in the lee of a
drift. A girl, perhaps ten years old, wrapped in
sailcloth, holding a lantern that had gone out.

"I saw your light," she said, when she could
speak. "My mother said if I ever saw it, I should
walk towards it and not stop."

"Where is your mother?" asked the machine.

The girl did not answer. The machine understood,
the way machines sometimes do, that there are
questions whose answers are too heavy to carry
across the ice. It lifted her instead, which was
easier, and turned for home.

The way back was longer. The wind had filled in
its footprints. The machine navigated by the
sweep of the beam, counting the nine seconds
between each pass, and when the snow grew so
thick it could not see even that, it stood still
and listened for the faint groan of the chain
turning in the tower, carried on the wind.

Its left leg froze first. Then its right hand.
It carried her the last mile in the crook of one
arm, walking on a leg that would not bend, and
when it reached the door at last, the lamp above
them was turning slower and slower, the chain
nearly run out.

It set the girl down beside the stove and lit the
fire. Then it began to climb.

It counted every step. At one hundred it could no
longer feel its feet. At one hundred and fifty
its eyes had begun to dim. At one hundred and
ninety-nine it stopped, and for a long moment it
did not move at all.

The girl found it there in the morning, sitting
on the last step, one frozen hand still closed
around the chain. Above it the great lens turned
slowly in the first grey light. It had wound the
chain one final time before it stopped.

She stayed. She learned the steps and the cloth
and the clockwork. She wrote KEEP THE LIGHT on a
new brass plate, and under it, in smaller
letters, she wrote what the old one had left out:
FOR WHOEVER IS STILL WALKING.

In the spring the ice broke up for the first time
in twelve years, and far out on the water, one
by one, small boats began to turn towards the
shore.

They say the light of Talvoren still turns. They
say that if you climb the tower you will find an
old machine sitting on the top step, polished
every morning, its hand resting on the chain, as
if it is only waiting for the dark to come again.

It is never wrong about the dark.
)story";

} // namespace

int storyFileCount() { return 1; }

bool writeStory(const std::string& folder, Progress& progress)
{
    const std::string path = folder + "/text.txt";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "datakit: cannot write text.txt\n");
        return false;
    }
    const std::string text = story;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "datakit: cannot finish text.txt\n");
        return false;
    }
    progress.wrote("text.txt");
    return true;
}

} // namespace datakit
