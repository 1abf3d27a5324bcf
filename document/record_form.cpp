#include "record_form.h"

#include <cstdint>

namespace {

// What one reading of the bytes makes of them.
struct Reading {
    bool text = true;      // no control byte but tab, line end and carriage return
    bool lineEnd = false;  // at least one line end
    size_t ascii = 0;      // printable ASCII, tab, line end and carriage return
    bool Possible() const { return text && lineEnd; }
};

void Take(Reading* r, uint8_t c) {
    if (c == '\n')
        r->lineEnd = true;
    if (c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c < 0x7F))
        ++r->ascii;
    else if (c < 0x80)
        r->text = false;  // the other control bytes and DEL
}

}  // namespace

RecordForm DecideRecordForm(std::string_view head) {
    Reading plain;
    Reading inverted;
    for (char ch : head) {
        const auto c = static_cast<uint8_t>(ch);
        Take(&plain, c);
        Take(&inverted, static_cast<uint8_t>(~c));
    }
    const bool asPlain = plain.Possible();
    const bool asInverted = inverted.Possible();
    if (asPlain && asInverted) {
        if (plain.ascii == inverted.ascii)
            return RecordForm::kUnknown;
        return plain.ascii > inverted.ascii ? RecordForm::kPlain : RecordForm::kInverted;
    }
    if (asPlain)
        return RecordForm::kPlain;
    return asInverted ? RecordForm::kInverted : RecordForm::kUnknown;
}
