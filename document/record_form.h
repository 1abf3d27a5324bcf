// Which of its two byte forms a record file is in, told from its bytes: the inverted form of the
// viewer's own exports (every byte the one's complement of the text's) or the plain form of a
// CSV file written for other programs.
#pragma once

#include <string_view>

enum class RecordForm { kInverted, kPlain, kUnknown };

// The form of a record file whose leading bytes are head (the whole file, or its first tens of
// KiB). A reading is possible when its text has a line end and no control byte other than tab,
// line end and carriage return; bytes of 0x80 and above pass, as the characters of UTF-8 and
// GB18030 are made of them. When both readings are possible, the one with more ASCII text
// wins, since a record file is mostly times, digits and commas. kUnknown when neither reading
// is possible or the two tie (an empty head among them).
RecordForm DecideRecordForm(std::string_view head);
