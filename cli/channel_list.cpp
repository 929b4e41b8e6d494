#include "cli/channel_list.h"

namespace cli {
namespace {

// A channel number at text[at...]; moves at past it.
bool readChannel(const std::string& text, std::size_t& at, int& channel) {
  if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
  channel = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9' && channel <= MAX_LISTED_CHANNEL)
    channel = channel * 10 + (text[at++] - '0');
  return channel >= 1 && channel <= MAX_LISTED_CHANNEL;
}

}  // namespace

bool parseChannelList(const std::string& text, ChannelMask& channels) {
  channels = 0;
  std::size_t at = 0;
  for (;;) {
    int first = 0;
    if (!readChannel(text, at, first)) return false;
    int last = first;
    if (at < text.size() && text[at] == '-' && (!readChannel(text, ++at, last) || last < first)) {
      return false;
    }
    for (int c = first; c <= last; ++c)
      channels |= ChannelMask{1} << (c - 1);
    if (at == text.size()) return true;
    if (text[at++] != ',') return false;
  }
}

std::string channelListText() {
  return "channels 1 to " + std::to_string(MAX_LISTED_CHANNEL) + ", such as 1,3,5-8";
}

ChannelMask mutedByLists(bool muteGiven, ChannelMask mute, bool soloGiven, ChannelMask solo) {
  return (muteGiven ? mute : 0u) | (soloGiven ? ~solo : 0u);
}

std::string channelNumbers(ChannelMask channels) {
  std::string numbers;
  for (int c = 0; c < MAX_LISTED_CHANNEL; ++c)
    if ((channels >> c & 1u) != 0) {
      if (!numbers.empty()) numbers += ' ';
      numbers += std::to_string(c + 1);
    }
  return numbers;
}

void muteChannels(jingle::Player& player, ChannelMask muted, int channelCount) {
  for (int channel = 0; channel < channelCount && channel < MAX_LISTED_CHANNEL; ++channel)
    if ((muted >> channel & 1u) != 0) player.setChannelMute(channel, true);
}

ChannelMask channelsBeyond(ChannelMask listed, int channelCount) {
  return channelCount >= MAX_LISTED_CHANNEL ? 0u
         : channelCount <= 0                ? listed
                                            : listed & ~((ChannelMask{1} << channelCount) - 1);
}

std::string channelsBeyondText(ChannelMask beyond, int channelCount) {
  std::string numbers = channelNumbers(beyond);
  for (std::size_t at = 0; (at = numbers.find(' ', at)) != std::string::npos; at += 2)
    numbers.replace(at, 1, ", ");
  return "has " + std::to_string(channelCount) + " channels; --mute and --solo name channel" +
         (numbers.find(',') == std::string::npos ? " " : "s ") + numbers;
}

}  // namespace cli
