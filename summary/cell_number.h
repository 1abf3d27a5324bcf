// The number a record's cell holds, by the rule every view of the records uses: a decimal number
// and nothing else. Plain C++, fast enough to read every cell of a year of records.
#pragma once

#include <cstddef>

// The number of the cell text [p, end): blanks around it (a CR LF line's "\r" too), an optional
// sign, digits with an optional point, an optional exponent. False for an empty cell, words,
// "N/A", "nan" and "inf", hex, a number followed by anything else ("12abc") and a number beyond
// the double range. The value is the correctly rounded double of the text.
bool CellNumber(const char* p, const char* end, double* value);
