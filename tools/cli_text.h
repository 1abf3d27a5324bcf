// Text between the store's code page and the terminal's. Panels name their groups and channels
// in GB18030; a terminal most often speaks UTF-8. Names typed in the terminal are converted to
// the store's code page to find a group, names printed are converted to the terminal's, and an
// export can be converted to UTF-8 for spreadsheet programs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export_writer.h"

namespace cli {

// Converts text from one code page to another with the system's converter (iconv, or the
// code pages of Windows).
class Recoder {
  public:
    Recoder(const char* to, const char* from);
    ~Recoder();
    Recoder(const Recoder&) = delete;
    Recoder& operator=(const Recoder&) = delete;

    // False when the system cannot convert between the two code pages.
    bool Valid() const { return converter_ != nullptr; }

    // Appends text, converted, to *out. A byte that does not decode becomes U+FFFD (in a UTF-8
    // target) or "?" when lenient; otherwise it makes the call fail, leaving *out as it was, as
    // does a character that the target cannot hold.
    bool Convert(std::string_view text, std::string* out, bool lenient = false);

  private:
    struct Converter;
    std::unique_ptr<Converter> converter_;
};

// The code page of the terminal, as the current locale names it (nl_langinfo(CODESET); on
// Windows the C runtime's code page, as "CP936").
std::string TerminalCodeset();

// A code page's name without case, "-" or "_", so that "utf8" and "UTF-8" compare equal.
std::string BareName(std::string_view name);

// The code page of a store's names: "UTF-8" when every non-ASCII name is valid UTF-8 and one
// holds a character of three bytes or more (as Chinese in UTF-8 does), else "GB18030". A short
// GB18030 name is often valid UTF-8 by accident; a Chinese character in UTF-8 never is two bytes.
const char* NamesCodePage(const std::vector<std::string>& names);

// Names between a store and the terminal: raw (--raw-names, or a terminal that speaks the
// store's own code page) keeps the stored bytes both ways. A terminal whose locale speaks only
// ASCII (C, POSIX) is taken to speak UTF-8.
class NameCodec {
  public:
    NameCodec(const char* storeCodePage, const std::string& terminal, bool raw);

    // A stored name as the terminal shows it; its stored bytes when it does not convert.
    std::string Shown(const std::string& stored);
    // A typed name in the store's code page; empty when it does not convert.
    std::string Stored(const std::string& typed);

  private:
    bool raw_;
    Recoder toTerminal_;
    Recoder toStore_;
};

// Passes what the store delivers for an export or a query on to an ExportWriter converted to
// UTF-8, after a byte-order mark. Each line is decided alone, so that a store whose header
// lines and records differ (ASCII headers with UTF-8 messages, UTF-8 headers with GB18030
// messages) comes out right, the same way for an export and a query. The rule of NamesCodePage
// for each line: one that is valid UTF-8 with a character of three bytes or more passes
// unchanged, one that is not UTF-8 is GB18030, and one that could be either (two-byte sequences
// only) follows the last line that could not. Bytes that do not decode become U+FFFD, so the
// output is always valid UTF-8. The mark is written with the first text, so an export that
// delivers nothing writes nothing.
class Utf8Export {
  public:
    explicit Utf8Export(ExportWriter* writer);

    // False when the system cannot convert GB18030.
    bool Valid() const { return fromGb18030_.Valid(); }

    // Store callbacks; context is a Utf8Export.
    static void ChunkCallback(void* context, const char* text, uint32_t length);
    static void RunCallback(void* context, const char* stored, uint32_t length, uint32_t lines,
                            int* stop);

  private:
    // Whether a line (with or without its "\n") passes unchanged; otherwise it is GB18030.
    bool LineReadsAsUtf8(std::string_view line);
    // The text in UTF-8, in converted_ or text itself.
    std::string_view Converted(std::string_view text);

    ExportWriter* writer_;
    Recoder fromGb18030_;
    bool started_ = false;
    bool utf8_ = false;  // the code page of the last line that was not ambiguous
    std::string plain_;
    std::string converted_;
};

}  // namespace cli
