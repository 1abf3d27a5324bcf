// The checks and stores of the curve settings dialog's OK, on plain values: what the controls
// hold goes in, the record is updated step by step, and the first failed check ends the walk
// with its message, keeping what the earlier steps stored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "calendar_time.h"
#include "curve_settings.h"

// The dialog's messages, exactly as the user sees them.
extern const char kMsgEnterNumber[];
extern const char kMsgStartBeforeList[];
extern const char kMsgEndAfterList[];
extern const char kMsgStartAfterEnd[];
extern const char kMsgIntervalBelowOne[];
extern const char kMsgIntervalAboveDay[];
extern const char kMsgBadYMin[];
extern const char kMsgBadYMax[];
extern const char kMsgMinAboveMax[];
extern const char kMsgBadGridSpacing[];

// True when every character is a digit, '-', '+' or '.' (an empty text passes).
bool PassesNumberCheck(const std::string& text);
// The number of a text by the C rule (leading blanks, sign, digits with an optional point and
// exponent; the longest valid prefix counts), 0.0 when there is none or it is out of range.
double TextNumber(std::string_view text);
// The number of a text that is a decimal number and nothing else: blanks around it (a CR LF
// line's "\r" too), an optional sign, digits with an optional point, an optional exponent; what
// TextNumber reads from it. False for an empty text, words, "nan" and "inf", hex, a number
// followed by anything else ("12abc") and a number beyond the double range.
bool WholeNumber(std::string_view text, double* value);
// The leading decimal integer of a text, 0 when there is none; saturates far beyond 86400.
long LeadingInteger(const std::string& text);

struct CurveDialogInput {
    struct Item {
        int channelIndex;  // the channel the tree item stands for
        int state;         // its state image: 1 unchecked, 3 checked, else left alone
    };
    std::vector<Item> items;  // the root's children in tree order
    CalendarTime start;
    CalendarTime end;
    std::string interval;
    bool yAuto = false;  // "自动设置上下限" checked
    std::string yMin;
    std::string yMax;
    bool yGridAuto = false;  // "自动设置网格间隙" checked
    std::string yGridInterval;
};

struct CurveDialogOutcome {
    const char* message = nullptr;  // the failed check's message, null when everything passed
    bool enableYLimits = false;     // the Y-limit edits are to be enabled (manual Y reached)
    bool enableGridEdit = false;    // the grid spacing edit is to be enabled (manual grid reached)
};

// Walks the OK steps over settings: channel visibility and shownCount, the time range, the
// interval (a refused interval is clamped to 1 or 86400 before its message), the Y range, the
// Y-grid spacing. queryChanged becomes 1 when the range or interval changes.
CurveDialogOutcome ApplyCurveDialog(const CurveDialogInput& input, CurveSettings* settings);
