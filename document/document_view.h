// What a document asks of each view that shows it. The views live in a folder above the
// document, so the document reaches them only through this interface.
#pragma once

#include <memory>

#include "code_page.h"
#include "text_buffer.h"

class RecordTable;

class DocumentView {
  public:
    // Takes the records of the document's newly read text, with CSV quoting when csvQuotes (a
    // plain file, see RecordTable::LoadTable); false when the text is no report.
    virtual bool LoadRecords(std::shared_ptr<const TextBuffer> text,
                             TextCodec codec = TextCodec::kPerText, bool csvQuotes = false) = 0;
    // The report table the view made of the text (title, captions, rows).
    virtual const RecordTable& Records() const = 0;

  protected:
    ~DocumentView() = default;
};
