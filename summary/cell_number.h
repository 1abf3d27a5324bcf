// The number a record's cell holds, by the rule every view of the records uses: a decimal number
// and nothing else. Plain C++, fast enough to read every cell of a year of records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

// Reads the cells after the first (the time) of a record line as the store keeps it, every byte
// inverted, as CellNumber reads the line inverted back: channel c's number into values[c] with
// numeric[c] 1, else numeric[c] 0 (also where the line has no such cell). Plain decimals are read
// straight from the stored bytes; any other cell is inverted back into scratch first.
void StoredCellNumbers(const char* stored, size_t length, size_t channels, double* values,
                       uint8_t* numeric, std::vector<char>* scratch);
