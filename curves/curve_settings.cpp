#include "curve_settings.h"

#include <algorithm>
#include <cstring>

const RgbColor CurveColorTable[kCurveColorCount] = {
    {0, 0, 255},     {255, 0, 0},     {0, 255, 0},    {0, 64, 192},    {192, 0, 64},
    {128, 0, 128},   {0, 128, 128},   {128, 0, 0},    {0, 128, 0},     {128, 128, 0},
    {0, 0, 128},     {64, 64, 0},     {0, 64, 64},    {255, 0, 255},   {0, 255, 255},
    {64, 0, 0},      {0, 64, 0},      {0, 0, 64},     {192, 192, 192}, {128, 128, 128},
    {64, 0, 64},     {64, 128, 0},    {0, 64, 128},   {128, 0, 64},    {64, 192, 0},
    {192, 192, 192}, {128, 128, 128}, {192, 128, 64}, {64, 192, 64},   {255, 255, 255},
    {0, 0, 0},       {255, 255, 0},
};

const LineTypeEntry CurveLineTypeTable[kCurveLineTypeCount] = {
    {PenStyle::kSolid, 1},   {PenStyle::kDash, 1},       {PenStyle::kDot, 1},
    {PenStyle::kDashDot, 1}, {PenStyle::kDashDotDot, 1}, {PenStyle::kSolid, 2},
    {PenStyle::kSolid, 4},
};

void CurveChannel::SetName(const std::string& text) {
    const size_t n = DoubleByteSafeLength(text.data(), text.size(), kChannelNameMax);
    std::memcpy(name, text.data(), n);
    name[n] = '\0';
}

CurveChannel* CurveSettings::FindByIndex(int32_t i) {
    for (CurveChannel& c : channels) {
        if (c.index == i)
            return &c;
    }
    return nullptr;
}

const CurveChannel* CurveSettings::FindByIndex(int32_t i) const {
    for (const CurveChannel& c : channels) {
        if (c.index == i)
            return &c;
    }
    return nullptr;
}

namespace {

template <typename Channel, typename Channels>
std::vector<Channel*> ByIndex(Channels& channels, int32_t count) {
    std::vector<Channel*> found(static_cast<size_t>(std::max<int32_t>(count, 0)), nullptr);
    for (Channel& c : channels) {
        if (c.index >= 0 && c.index < count && found[static_cast<size_t>(c.index)] == nullptr)
            found[static_cast<size_t>(c.index)] = &c;
    }
    return found;
}

}  // namespace

std::vector<CurveChannel*> CurveSettings::ChannelsByIndex() {
    return ByIndex<CurveChannel>(channels, channelCount);
}

std::vector<const CurveChannel*> CurveSettings::ChannelsByIndex() const {
    return ByIndex<const CurveChannel>(channels, channelCount);
}

CurveChannel* CurveSettings::FindByName(const std::string& name) {
    for (CurveChannel& c : channels) {
        if (name == c.name)
            return &c;
    }
    return nullptr;
}
