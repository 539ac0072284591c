// The PC's playlists as rows of a Compare with a player that is given them: each planned as a
// file written for the player, "OK" when the player's file says exactly what it should.
#pragma once

#include "compare/comparison.h"
#include "compare/converted_pairs.h"

#include <string>
#include <vector>

namespace parlowen {

// Which rows are playlists the player is given (right), and their player versions (left):
// the ordinary matching leaves both alone.
struct PlaylistRows
{
    std::vector<bool> right;
    std::vector<bool> left;
};
PlaylistRows playlistRows(const std::vector<ResultRow>& left, const std::vector<ResultRow>& right);

// Plans each PC playlist's player version once the songs are matched: partner[i] is the right
// row of left row i (npos for none).
void planPlaylists(std::vector<ResultRow>& left, std::vector<ResultRow>& right,
                   const PlaylistRows& rows, const std::vector<std::size_t>& partner,
                   const ConvertedNames& converted, const ConvertSetup& setup,
                   const std::string& leftRoot,
                   const std::string& rightRoot, const SideFacts& leftFacts,
                   const SideFacts& rightFacts, ResultStore& plan,
                   std::vector<std::string>& sentences);

// "Sync this playlist": the positions of the playlist's operation at playlistOp and of the
// operations that copy its songs, in plan order.
std::vector<std::size_t> playlistSelection(const ResultStore& plan, std::size_t playlistOp);

} // namespace parlowen
