// Shared pieces of the tests of the record table and what reads it: tables made from text, and
// the times of 2024-01-01 they hold.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "curve_init.h"
#include "record_table.h"

// A record table loaded from text as a document loads it; the load is expected to succeed.
inline std::unique_ptr<RecordTable> TableOf(const std::string& text) {
    auto buffer = std::make_shared<TextBuffer>();
    buffer->Append(text.data(), static_cast<int64_t>(text.size()));
    auto table = std::make_unique<RecordTable>();
    EXPECT_TRUE(table->LoadTable(buffer));
    return table;
}

// "2024-01-01 hh:mm:ss" of a second of that day.
inline std::string Stamp(int seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "2024-01-01 %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return buf;
}

// That second as a time.
inline CalendarTime At(int seconds) {
    CalendarTime t;
    ParseRowTime(Stamp(seconds), &t);
    return t;
}
