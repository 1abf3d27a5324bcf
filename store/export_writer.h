// Writes what the store delivers into an export CSV file: the two header lines of the first
// block met, then one record line per delivered record, every byte inverted (or plain, for a
// copy meant for other programs). The file has the layout and encoding of a block file.
//
// Item exports pass whole block texts to Chunk: the first is written whole; of every later one
// the text up to and including its second "\n" (that block's header lines) is dropped, and a
// chunk with fewer than two "\n" is dropped entirely. Queries pass lines to Line: each is
// written with a "\n" added when it does not end in one, or runs of lines in their stored form to
// Stored, which are written as they are (inverted files) or inverted once (plain files). Output is
// gathered in a buffer that is kept for the next writer of the thread and written in large
// pieces; large stored runs go to the file directly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "file_system.h"

class ExportWriter {
  public:
    enum class Encoding { kInverted, kPlain };
    enum class Create { kReplace, kNew };

    ExportWriter() = default;
    ~ExportWriter();
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;

    // Names the target file; it is created (replacing a file of that name, or failing when one
    // exists with Create::kNew) on the first text, so a store call that delivers nothing leaves
    // no file behind.
    void SetTarget(const std::string& path, Encoding encoding, Create create = Create::kReplace);
    // How the target's path is read: a store path by default, exactly (a "\" part of a name)
    // for a path a user gave.
    void SetNames(storefs::Names names) { names_ = names; }

    // Writes to an open descriptor the caller owns (standard output, say) instead of a file.
    void SetDescriptor(int fd, Encoding encoding);

    void Chunk(const char* text, uint32_t length);
    void Line(const char* line, uint32_t length);
    // `lines` whole lines in the store's encoding (inverted, each ended by its "\n").
    void Stored(const char* stored, uint32_t length, uint32_t lines);
    // Plain text written as it is, counted as `lines` record lines: text the caller has already
    // converted, or a byte-order mark (no line).
    void Plain(const char* text, uint32_t length, uint32_t lines);

    // Writes what is buffered and closes the file. False when any create or write failed.
    bool Finish();

    // Closes and deletes the file (a failed or cancelled export, or one that delivered nothing).
    void Discard();

    bool Failed() const { return failed_; }
    // Bytes accepted so far (before inversion), and how many record lines or chunks.
    uint64_t Bytes() const { return bytes_; }
    uint32_t Chunks() const { return chunks_; }
    uint32_t Lines() const { return lines_; }
    // True once a file has been created.
    bool Created() const { return created_; }

    // Store callbacks; context is an ExportWriter. The line callback never sets the stop flag.
    static void ChunkCallback(void* context, const char* text, uint32_t length);
    static void LineCallback(void* context, const char* line, uint32_t length, int* stop);
    static void RunCallback(void* context, const char* stored, uint32_t length, uint32_t lines,
                            int* stop);

  private:
    bool EnsureOpen();
    // Gathers bytes for the file, turning them into its encoding unless they are in it already.
    void Put(const char* bytes, uint32_t length, bool inFileEncoding);
    bool Drain();
    bool WriteOut(const char* bytes, uint32_t length);
    void ReleaseBuffer();

    std::string path_;
    Encoding encoding_ = Encoding::kInverted;
    Create create_ = Create::kReplace;
    storefs::Names names_ = storefs::Names::kCaseBlind;
    int fd_ = -1;
    bool ownFd_ = false;
    bool failed_ = false;
    bool created_ = false;
    std::unique_ptr<char[]> buffer_;  // pending bytes, already in the file's encoding
    uint32_t pending_ = 0;
    uint64_t bytes_ = 0;
    uint32_t chunks_ = 0;
    uint32_t lines_ = 0;
};
