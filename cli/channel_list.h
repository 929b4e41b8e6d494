// Lists of channels as the user gives them to --mute and --solo (numbers from 1 and ranges,
// separated by commas: "1,3,5-8"): read, worded in messages, and applied to a player.
#pragma once

#include <cstdint>
#include <string>

#include "jingle/jingle.h"

namespace cli {

// Channels are listed up to the most a module may have, one bit each in a mask: bit c - 1 for
// channel c.
using ChannelMask = std::uint64_t;
constexpr int MAX_LISTED_CHANNEL = JINGLE_MAX_CHANNELS;
static_assert(MAX_LISTED_CHANNEL <= 64);

// What a list may name, for messages: "channels 1 to 64, such as 1,3,5-8".
std::string channelListText();

// Bit c - 1 set for each channel c listed; false for anything that is no such list.
bool parseChannelList(const std::string& text, ChannelMask& channels);

// The channels muted by --mute and --solo (either list may be empty, meaning not given).
ChannelMask mutedByLists(bool muteGiven, ChannelMask mute, bool soloGiven, ChannelMask solo);

// "1 3 5" for the bits set.
std::string channelNumbers(ChannelMask channels);

// The channels listed that a module of channelCount channels does not have.
ChannelMask channelsBeyond(ChannelMask listed, int channelCount);

// Mutes each of the player's channels 0 .. channelCount - 1 whose bit is set in muted.
void muteChannels(jingle::Player& player, ChannelMask muted, int channelCount);

// "has 4 channels; --mute and --solo name channel 9" (or "channels 5, 9"), for a module without
// the channels listed.
std::string channelsBeyondText(ChannelMask beyond, int channelCount);

}  // namespace cli
