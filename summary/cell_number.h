// The number a record's cell holds, by the rule every view of the records uses: a decimal number
// and nothing else. Plain C++, fast enough to read every cell of a year of records.
#pragma once

#include <cstddef>

// The number of the cell text [p, end): blanks around it (a CR LF line's "\r" too), an optional
// sign, digits with an optional point, an optional exponent. False for an empty cell, words,
// "N/A", "nan" and "inf", hex, a number followed by anything else ("12abc") and a number beyond
// the double range. The value is the correctly rounded double of the text.
// The plain decimals records are made of ("-12.345"), read without the general parser: a
// mantissa of at most 15 digits and at most 22 decimals are both exact doubles, so their quotient
// is the correctly rounded value, the one the general parser gives. False for anything else
// (blanks, a '+', exponents, more digits, trailing text), which the general parser reads.
bool PlainDecimal(const char* p, const char* end, double* value);

bool CellNumber(const char* p, const char* end, double* value);
