// One row of a result list: a file of one side with its size, time, status and icon.
#pragma once

#include <cstdint>
#include <string>

namespace parlowen {

enum class RowStatus : std::uint8_t
{
    None,
    Ok,
    Newer,
    Older,
    NotFound
};

// Icon numbers of the result lists' image list; 3 exists but is given to no row.
enum class RowIcon : std::uint8_t
{
    None = 0,
    Newer = 1,
    Older = 2,
    NoMatch = 4
};

// Sizes and times are kept as numbers; their texts are made when shown or compared.
struct ResultRow
{
    std::string relativeName; // "/"-separated, as the file system lists it
    std::int64_t size = 0;
    std::int64_t modified = 0; // seconds since the epoch
    bool hasSize = false;
    bool hasModified = false;
    RowStatus status = RowStatus::None;
    RowIcon icon = RowIcon::None;
    bool checked = true;
    std::uint32_t object = 0; // on a player that speaks MTP: the file's handle there
    std::uint32_t modifiedNs = 0; // the nanoseconds of the time, where the side keeps them
};

// "OK", "Newer", "Older", "Not found" or "".
inline const char* statusText(RowStatus status)
{
    switch (status) {
    case RowStatus::Ok:
        return "OK";
    case RowStatus::Newer:
        return "Newer";
    case RowStatus::Older:
        return "Older";
    case RowStatus::NotFound:
        return "Not found";
    case RowStatus::None:
        break;
    }
    return "";
}

// "512 bytes", or "" when the size could not be read.
inline std::string sizeText(const ResultRow& row)
{
    return row.hasSize ? std::to_string(row.size) + " bytes" : std::string();
}

} // namespace parlowen
