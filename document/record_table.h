// The in-memory record table of a report: the title line, the column captions and one row per
// record line of a document text. Cells are not copied: the table keeps the document text and
// one 32-bit offset per row, where its line starts; a row's cells are found in its line when
// they are asked for. So a million rows cost the file and 4 MB.
//
// Lines are cut into fields at ","; a line ends at "\n" or at the end of the text, and a "\r"
// right before its end is not part of the last field. A NUL byte ends the line at once and drops
// the field in progress. Fields are not trimmed. Empty lines are skipped.
//
// A table loaded with CSV quoting (the text of a plain CSV file, which other programs write)
// reads a field that starts with a double quote as a quoted field: it runs to its closing quote,
// commas in it are part of its text and a doubled quote ("") stands for one quote; what follows
// the closing quote up to the next "," is appended to it, and a quote left open ends with the
// line. Without CSV quoting (the program's own record files) quotes are text like any other.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "code_page.h"
#include "text_buffer.h"

// Like TextBuffer::NextLine, but also skips a line of nothing but the "\r" of a CR LF line end,
// which is as empty as a bare "\n".
bool NextContentLine(const TextBuffer& text, uint32_t* position, const char** line,
                     uint32_t* length);

class RecordTable {
  public:
    RecordTable() = default;

    // Parses a whole document text into an empty table: line 1 is the title (taken whole), line
    // 2 the header (column captions; the first is the time column's), every further line a row.
    // False when the table is not empty, the text is empty, or the title or header is missing or
    // empty. The table keeps a reference to the text. When the text's reader found its line ends
    // (TextBuffer::KnownLineEnds), the rows are taken from them instead of a walk over the text,
    // and the table takes them over (TakeLineEnds). With csvQuotes, the title line, the captions
    // and the cells are read with CSV quoting; the title is then the line's fields joined with
    // ",", empty fields at its end left out.
    bool LoadTable(std::shared_ptr<const TextBuffer> text, bool csvQuotes = false);

    // Called now and then while LoadTable parses, with the bytes parsed and the total.
    using Progress = std::function<void(uint32_t done, uint32_t total)>;
    void SetProgress(Progress progress) { progress_ = std::move(progress); }

    // The text the table refers to (null before a load).
    const std::shared_ptr<const TextBuffer>& Text() const { return text_; }

    // Appends one column per field of a header line; the captions of all but the first also go
    // to ChannelNames(). True when at least one column was appended. The bytes are copied.
    bool ParseHeaderLine(const char* text, uint32_t length);

    // Appends a row from a record line of the loaded text: the first field is the time cell,
    // later fields fill columns 1, 2, ... while there are columns; surplus fields are dropped and
    // missing ones stay empty. True when at least one field was stored. text must lie inside the
    // text given to LoadTable and run to the end of its line.
    bool ParseRecordLine(const char* text, uint32_t length);

    // Captions of all columns joined with "," (each cut to 254 bytes), no line end.
    std::string ColumnCaptions() const;

    // Empties rows, columns, title and channel names; keeps remark and print header.
    void Clear();

    int32_t ColumnCount() const { return static_cast<int32_t>(captions_.size()); }
    int32_t RowCount() const { return static_cast<int32_t>(rowLine_.size()); }

    // Whether the table reads CSV quoting (see LoadTable).
    bool CsvQuotes() const { return csvQuotes_; }

    // Text of a cell; an absent row or column reads as empty. It lies in the text, or, for a
    // quoted field whose text is not a piece of its line ("" in it), in the table.
    std::string_view Cell(int32_t row, int32_t column) const;
    // The cells of columns [0, count) of a row in one pass over its line, for readers of many
    // cells of a row (Cell finds its line and walks it anew for each); cells past the table's
    // columns or the row's fields read as empty.
    void RowCells(int32_t row, int32_t count, std::vector<std::string_view>* cells) const;

    const std::string& Caption(int32_t column) const;
    void SetCaption(int32_t column, const std::string& caption);

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    const std::string& Remark() const { return remark_; }
    void SetRemark(const std::string& remark) { remark_ = remark; }
    const std::string& PrintHeader() const { return printHeader_; }
    void SetPrintHeader(const std::string& header) { printHeader_ = header; }
    const std::vector<std::string>& ChannelNames() const { return channelNames_; }

    // The code page decided for the document the text came from; cells are shown in it.
    TextCodec CellCodec() const { return codec_; }
    void SetCodec(TextCodec codec) { codec_ = codec; }
    // The code page of the title, captions, remark and channel names, and of the curve settings'
    // texts. The document's own, except that these texts of a plain ASCII document are ASCII
    // from its first lines or text typed or imported since, which went to GB18030.
    TextCodec Codec() const { return codec_ == TextCodec::kPerText ? TextCodec::kGb18030 : codec_; }

    // Bytes held for the rows (not counting the shared text), unquoted cells included.
    size_t IndexBytes() const;

  private:
    void ReserveFor(uint32_t position);
    // The rows from position on, taken from the line ends the text's reader found; the offsets
    // are written over the line ends, in their array.
    void LoadRows(LineEnds* ends, uint32_t position);
    // The line of a row (a valid one) and its length up to its "\n".
    const char* RowLine(int32_t row, uint32_t* length) const;
    // Reads the cells of rows from position on whose text is not a piece of their line.
    void UnquoteCells(uint32_t position);
    // The text of such a cell (kept by UnquoteCells).
    std::string_view UnquotedCell(int32_t row, int32_t column) const;

    std::shared_ptr<const TextBuffer> text_;
    Progress progress_;
    std::string title_;
    std::string remark_;
    std::string printHeader_;
    std::vector<std::string> captions_;
    std::vector<std::string> channelNames_;
    TextCodec codec_ = TextCodec::kPerText;
    // Where each row's line starts in the text; the line runs to the next "\n" or the text's end.
    LineOffsets rowLine_;
    bool csvQuotes_ = false;
    // The cells whose text had to be unquoted into unquoted_, by row and column ascending.
    struct UnquotedAt {
        int32_t row;
        int32_t column;
        size_t offset;
        size_t length;
    };
    std::vector<UnquotedAt> unquotedAt_;
    std::string unquoted_;
};

// Calls field(text) for each field of a line (without its line end) read with CSV quoting (see
// above), its text unquoted, until field returns false. The text lasts until the next call.
void ForEachCsvField(std::string_view line, const std::function<bool(std::string_view)>& field);
