// Code page conversion and the terminal's code page on POSIX systems: iconv and the locale.
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>

#include "cli_text.h"

namespace cli {

struct Recoder::Converter {
    iconv_t cd;
    bool toUtf8;
};

Recoder::Recoder(const char* to, const char* from) {
    const iconv_t cd = iconv_open(to, from);
    if (cd != reinterpret_cast<iconv_t>(-1))
        converter_.reset(new Converter{cd, BareName(to) == "UTF8"});
}

Recoder::~Recoder() {
    if (Valid())
        iconv_close(converter_->cd);
}

bool Recoder::Convert(std::string_view text, std::string* out, bool lenient) {
    if (!Valid())
        return false;
    const iconv_t cd = converter_->cd;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const size_t kept = out->size();
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* to = buffer;
        size_t toLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
        out->append(buffer, static_cast<size_t>(to - buffer));
        if (r != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        if (!lenient) {
            out->resize(kept);
            return false;
        }
        // A byte that does not decode, or a character cut off by the text's end.
        out->append(converter_->toUtf8 ? "\xEF\xBF\xBD" : "?");
        ++in;
        --inLeft;
    }
    char* to = buffer;
    size_t toLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &to, &toLeft);
    out->append(buffer, static_cast<size_t>(to - buffer));
    return true;
}

std::string TerminalCodeset() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr ? codeset : "";
}

}  // namespace cli
