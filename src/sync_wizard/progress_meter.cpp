// The line that tells how a copy is going.
#include "sync_wizard/progress_meter.h"

#include "platform/mtp_address.h"

#include "sync_wizard/room_check.h"

#include <cmath>

namespace parlowen {
namespace {

constexpr double kSpeedWindow = 3;
constexpr double kTimeLeftWindow = 60;

} // namespace

std::string ProgressMeter::line(const CopyProgress& progress, double seconds)
{
    // A run into many folders on a slow device spends a while opening and locking them.
    if (progress.foldersToOpen > 0)
        return "Preparing the target folders: " + countText(progress.foldersOpened) + " of " +
               countText(progress.foldersToOpen) + " open";
    m_samples.push_back({seconds, progress.bytesDone});
    while (m_samples.size() > 2 && m_samples.front().seconds < seconds - kTimeLeftWindow)
        m_samples.pop_front();
    std::string text = progress.converting
                           ? "Converting " + progress.file.substr(progress.file.rfind('/') + 1) +
                                 " for the player · "
                           : std::string();
    text += "Copying " + countText(progress.current) + " of " +
                       countText(progress.total) + " · " + sizeText(progress.bytesDone) + " of " +
                       sizeText(progress.bytesTotal) + " copied";
    if (seconds < 1)
        return text;
    text += " · " + sizeText(static_cast<std::int64_t>(rateOver(kSpeedWindow))) + "/s";
    const double rate = rateOver(kTimeLeftWindow);
    if (rate > 0)
        text += " · " +
                timeLeftText(static_cast<double>(progress.bytesTotal - progress.bytesDone) / rate);
    return text;
}

std::string ProgressMeter::stoppingLine(const CopyProgress& progress, double seconds)
{
    m_samples.push_back({seconds, progress.bytesDone});
    while (m_samples.size() > 2 && m_samples.front().seconds < seconds - kTimeLeftWindow)
        m_samples.pop_front();
    if (progress.current == 0 || progress.target.empty())
        return "Stopping…";
    const std::string name = progress.target.substr(progress.target.rfind('/') + 1);
    const std::string device = isMtpAddress(progress.target) ? "the player" : "the device";
    const std::int64_t left = progress.fileBytes - progress.fileDone;
    // Still moving within the last second: the rest of the file is let through.
    if (left > 0 && rateOver(1.0) > 0)
        return "Stopping: " + device + " is receiving the rest of " + name + ", " +
               sizeText(left) + " left";
    return "Stopping: waiting for " + device + " to end the copy of " + name;
}

double ProgressMeter::rateOver(double window) const
{
    const Sample& last = m_samples.back();
    // The last sample before the window starts, so that the window spans its whole seconds.
    std::size_t first = 0;
    while (first + 1 < m_samples.size() && m_samples[first + 1].seconds <= last.seconds - window)
        ++first;
    const double span = last.seconds - m_samples[first].seconds;
    return span > 0 ? static_cast<double>(last.bytes - m_samples[first].bytes) / span : 0;
}

std::string countText(std::size_t count)
{
    std::string digits = std::to_string(count);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

std::string timeLeftText(double seconds)
{
    if (seconds < 60)
        return "less than a minute left";
    const long minutes = std::lround(seconds / 60);
    if (minutes < 90)
        return "about " + std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes") +
               " left";
    const long hours = minutes / 60;
    return "about " + std::to_string(hours) + (hours == 1 ? " hour " : " hours ") +
           std::to_string(minutes % 60) + " minutes left";
}

} // namespace parlowen
