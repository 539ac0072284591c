// The line that tells how a copy is going: files, bytes, speed and time left.
#pragma once

#include "sync_wizard/executor.h"

#include <deque>
#include <string>

namespace parlowen {

class ProgressMeter
{
public:
    // The line for the progress at a time (seconds since the copying began), e.g. "Copying 123
    // of 3,204 · 1.2 GB of 12.4 GB copied · 18.3 MB/s · about 10 minutes left". The speed is taken
    // over the last few seconds, the time left over about a minute (USB sticks stall for
    // seconds); neither is shown during the first second.
    std::string line(const CopyProgress& progress, double seconds);
    // The line once a stop was asked for: what the run still waits for, the bytes still coming
    // while they come ("Stopping: the player is receiving the rest of a.flac, 12.0 MB left"),
    // never a speed.
    std::string stoppingLine(const CopyProgress& progress, double seconds);

private:
    struct Sample
    {
        double seconds;
        std::int64_t bytes;
    };
    // Bytes per second since the oldest sample of the last window seconds.
    double rateOver(double window) const;
    std::deque<Sample> m_samples;
};

// A count with thousands separated by commas: 3204 as "3,204".
std::string countText(std::size_t count);

// "about 10 minutes left" and its kin.
std::string timeLeftText(double seconds);

} // namespace parlowen
