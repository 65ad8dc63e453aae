#include "director/timetable.h"

#include <initializer_list>

namespace timetable {

namespace {

std::vector<TimedEvent> buildSceneEvents()
{
    std::vector<TimedEvent> events = {
        {6001, 7680},   {6002, 10520},  {6003, 14360},  {6004, 18200},  {1102, 25880},
        {1100, 29720},  {1101, 33560},  {1103, 69120},  {101, 5000},    {7001, 21320},
        {7002, 21370},  {7003, 22040},  {7004, 22090},  {7100, 23240},  {7101, 23960},
        {1000, 23240},  {2000, 37400},  {9000, 52420},  {2001, 52520},  {2002, 60720},
        {2003, 73480},  {2004, 90200},  {2005, 98000},  {9001, 97950},
    };
    // The morph scenes step by two identifiers: 2006, 2008, ... 2022.
    const int32_t morphTimes[] = {102000, 105000, 108500, 112000, 115000, 118000, 121000, 124000, 128560};
    uint32_t id = 2006;
    for (int32_t time : morphTimes) {
        events.push_back({id, time});
        id += 2;
    }
    events.push_back({2023, 129560});
    events.push_back({696970, 236000});
    events.push_back({696969, 241000});
    return events;
}

// Appends ids first, first+1, ... at the listed times.
void addRun(std::vector<TimedEvent>& events, uint32_t first, std::initializer_list<int32_t> times)
{
    for (int32_t time : times)
        events.push_back({first++, time});
}

// Two interleaved series, bar-stepped: for k = 0..count-1, (idA + k*idStep, timeA + 1920k) then
// (idB + k*idStep, timeB + 1920k).
void addBarPairs(std::vector<TimedEvent>& events, uint32_t idA, int32_t timeA, uint32_t idB, int32_t timeB,
                 uint32_t idStep, int count)
{
    for (int k = 0; k < count; ++k) {
        events.push_back({idA + idStep * uint32_t(k), timeA + 1920 * k});
        events.push_back({idB + idStep * uint32_t(k), timeB + 1920 * k});
    }
}

// A roll of sixteenths: ids first.., times start + 120k.
void addRoll(std::vector<TimedEvent>& events, uint32_t first, int32_t start, int count)
{
    for (int k = 0; k < count; ++k)
        events.push_back({first + uint32_t(k), start + 120 * k});
}

std::vector<TimedEvent> buildBeatEvents()
{
    std::vector<TimedEvent> events;
    addRun(events, 5002, {21320, 22040, 23240, 23960});
    addBarPairs(events, 5006, 25880, 5007, 27080, 2, 5);
    addRun(events, 5016, {35480, 36440, 36560});
    addBarPairs(events, 5019, 37400, 5026, 38600, 1, 7);
    addRun(events, 5050, {50840, 52040, 52520, 52640});
    addBarPairs(events, 5060, 52760, 5070, 53960, 1, 7);
    addRun(events, 5151, {66200, 67880, 68000});
    addBarPairs(events, 5200, 83480, 5201, 84680, 2, 4);
    addRun(events, 5208, {91160, 94280, 95000, 96920});
    addBarPairs(events, 5212, 98840, 5213, 100040, 2, 8);
    addRun(events, 5228, {113960, 114080, 114200, 114320, 115400, 116120, 116360, 117320, 118040});
    addRun(events, 5300, {119240, 119960, 120320, 121160, 121640, 121880, 123080, 123800, 125000, 125120,
                          125720, 125960, 126920, 127640, 128000, 128360, 128840, 128960, 129320, 129440,
                          129560, 130760, 131480, 132680, 133400, 134600, 135320, 136520, 137240, 138440});
    addBarPairs(events, 5330, 139280, 5331, 140480, 2, 4);
    addRun(events, 5338, {148040, 148760, 149960, 150680, 151880});
    addRoll(events, 5343, 153560, 42);
    addRun(events, 5385, {159920, 160280, 160400, 161480, 161840, 162200, 163400, 164120, 165320, 165680,
                          166040, 167000, 167360, 167720, 167960, 169160, 169520, 169880, 171080, 171800,
                          173000, 173720, 174080, 174920, 175040, 175760, 176840, 177200, 177560, 178760});
    addRun(events, 5500, {179480, 179720, 180680, 181040, 181400, 182360, 182720, 183200, 183320, 184520,
                          184880, 185240, 186440, 186920, 187160, 188360, 189080, 189440, 189800, 190160,
                          190400, 190760, 190880, 191000, 191120, 192200, 192560, 192920, 193280, 194120,
                          194240, 194840, 195080, 196040, 196400, 196760, 197000, 197720, 198080, 198440,
                          198560, 198680, 199880, 200000, 200240, 200600, 200840, 200960, 201800, 202280,
                          202520, 202640, 202760, 202880, 203720});
    addRoll(events, 5555, 204440, 9);
    events.push_back({5564, 27360});
    return events;
}

} // namespace

const std::vector<TimedEvent>& sceneEvents()
{
    static const std::vector<TimedEvent> events = buildSceneEvents();
    return events;
}

const std::vector<TimedEvent>& beatEvents()
{
    static const std::vector<TimedEvent> events = buildBeatEvents();
    return events;
}

} // namespace timetable
