// Each channel on its own scale: every shown series is stretched from its own range to the range
// of one chosen series, so that all lines use the plot's height while the Y axis reads in the
// chosen series' units. The values themselves stay true; only what is drawn is mapped.
#pragma once

#include <vector>

// The lowest and highest value of a series, gathered one value at a time.
struct ScaleRange {
    double min = 0.0;
    double max = 0.0;
    bool empty = true;

    // Takes a value in; values that are not finite are left out.
    void Include(double value);
    // The limits as given (a manual range); empty when either is not finite.
    static ScaleRange Of(double min, double max);
};

class ChannelScales {
  public:
    // Off: every value is drawn as it is.
    void Clear();
    // One range per series (a manual range given to each when the Y axis is manual). A range
    // without height (a flat series, or inverted limits) is widened as the chart widens its Y
    // range (1 either side), an empty one is taken as 0 and widened so: no series divides by
    // zero. chosen is the series whose scale the axis shows; the first when there is no such.
    void Set(const std::vector<ScaleRange>& ranges, int chosen);

    bool On() const { return !ranges_.empty(); }
    int Count() const { return static_cast<int>(ranges_.size()); }
    int Chosen() const { return chosen_; }
    // A series' range as used (widened); that of the chosen series for one out of range.
    ScaleRange Range(int series) const;

    // A value's place in its series' range: 0 at the lowest, 1 at the highest.
    double Normalise(int series, double value) const;
    // The value at a place in the series' range (the inverse of Normalise).
    double TrueValue(int series, double normalised) const;
    // Where a value of a series is drawn against the chosen series' axis; the value itself while
    // off or for a series out of range.
    double Shown(int series, double value) const;
    // The true value of a series drawn at shown (the inverse of Shown).
    double FromShown(int series, double shown) const;

  private:
    bool Valid(int series) const { return series >= 0 && series < Count(); }
    // True for a series out of range or on the chosen series' range (the chosen one, say).
    bool SameAsChosen(int series) const;

    std::vector<ScaleRange> ranges_;
    int chosen_ = 0;
};
