// The reader and writer of configuration files: plain text lines, each a section line
// "[" name "]", a key line key "=" value, or anything else (ignored). Lines are written with
// CR LF; a reader takes CR LF or LF.
//
// Lookup of a key below a section: the section is the first line that is "[" + name + "]" (the
// line compared without the blanks around it, the name without the spaces around it, and a UTF-8
// byte-order mark before the first line ignored); from the line after it the search runs to the
// end of the file, over later section lines, and takes the first key line whose key (the text
// before its first "=", compared exactly) is the wanted one. The value is the text after that
// "=" without the spaces around it. Value lines are never taken for sections, and section lines
// never for key lines, whatever text a value or a section name holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "file_system.h"

// Why a file was not taken for reading.
enum class IniRefusal : uint8_t {
    kNone,
    kCannotOpen,  // it does not exist or cannot be opened or read; see IniFile::Error
    kFolder,      // it is a folder
    kNotRegular,  // it is a device, a pipe or a socket, which may block or never end
    kTooLarge,    // it is larger than IniFile::kMaxFileBytes
    kNulByte,     // it holds a NUL byte: it is no text
    kCrLineEnds,  // its lines end with a CR alone, which the line rule does not take
    kNotConfig,   // it is text, but no configuration file (ReadConfig says so)
};

// What the refusal says, in English, for a message after the file's path ("a.ini: is a
// folder"); error is the errno of kCannotOpen.
std::string IniRefusalText(IniRefusal refusal, int error);

class IniFile {
  public:
    // Largest file OpenForRead takes; a configuration file of a thousand channels is 100 KB.
    static constexpr int64_t kMaxFileBytes = 4 << 20;
    static constexpr size_t kNoLine = static_cast<size_t>(-1);

    IniFile() = default;
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    void SetFileName(const std::string& name) { fileName_ = name; }
    // Sets the folder (ending in a separator, or empty for the current one) and creates it, one
    // level only; an existing folder or a failure is ignored.
    void SetDirectory(const std::string& folder);
    std::string Path() const { return directory_ + fileName_; }

    // Starts writing Path() anew. False when the file cannot be created. The lines go to a new
    // file beside it, which takes the place of the old file only when Close succeeds, so a failed
    // write never leaves half a file.
    bool OpenForWrite();
    // Starts writing into memory only (for tests and fuzzing); see WrittenText.
    void OpenForWriteInMemory();
    // What was written since the last OpenForWrite or OpenForWriteInMemory.
    const std::string& WrittenText() const { return out_; }
    // Reads Path() whole. False, with Refusal() saying why, when it cannot be opened or read, is
    // not a regular file, is larger than kMaxFileBytes, holds a NUL byte (it is not text then) or
    // ends its lines with CR alone (it would read as one line).
    bool OpenForRead();
    // Takes text as the content of a file opened for reading (for tests and fuzzing); false, and
    // nothing is open, under the same rules as OpenForRead.
    bool OpenText(std::string text);
    // Why the last OpenForRead or OpenText failed (kNone after a success), and the errno of a
    // file that could not be opened or read.
    IniRefusal Refusal() const { return refusal_; }
    int Error() const { return error_; }
    // Ends reading or writing. After writing, true when every line reached the file and the
    // file is in place; false otherwise (the old file, if any, is left as it was).
    bool Close();

    // Each writes one line ended by CR LF; false when nothing is open for writing. WriteLine writes
    // its text as it is, with each "\n" in it written as CR LF.
    bool WriteSection(const std::string& name);
    bool WriteInt(const std::string& key, int32_t value);
    bool WriteString(const std::string& key, const std::string& text);
    bool WriteLine(const std::string& text);

    // The line number of the occurrence-th (0 = first) section line named name at or after
    // line from, or kNoLine.
    size_t FindSection(const std::string& name, size_t from = 0, size_t occurrence = 0) const;
    // Lookup of a key below the first section named section (see above). On success the output
    // takes the value; otherwise it is unchanged and the result is false.
    bool ReadString(const std::string& section, const std::string& key, std::string* out) const;
    bool ReadInt(const std::string& section, const std::string& key, int32_t* out) const;
    // The same below a section line found with FindSection.
    bool ReadStringBelow(size_t sectionLine, const std::string& key, std::string* out) const;
    bool ReadIntBelow(size_t sectionLine, const std::string& key, int32_t* out) const;

    // True when the text read is valid UTF-8 (plain ASCII included).
    bool IsUtf8() const { return utf8_; }
    // True when the text read starts with a UTF-8 byte-order mark.
    bool HasByteOrderMark() const { return byteOrderMark_; }
    // True when it is valid UTF-8 whose characters beyond ASCII all take two bytes (U+0080 to
    // U+07FF: accented Latin, Greek, Cyrillic), as short GB18030 Chinese often does: "液位" is
    // D2 BA CE BB in GB18030, and "һλ" read as UTF-8.
    bool OnlyTwoByteUtf8() const { return twoByteOnly_; }

    // text without the spaces (only ' ') at its start and end.
    static std::string Trim(std::string_view text);
    // The C rule for integers: leading blanks, a sign, digits; 0 when there are none. Values
    // beyond 32 bits are held at the nearest limit.
    static int32_t TextToInt(std::string_view text);

  private:
    void Parse();

    std::string directory_;
    std::string fileName_;
    storefs::ReplacingWriter writer_;
    bool writing_ = false;
    bool toFile_ = false;
    std::string out_;
    bool reading_ = false;
    bool utf8_ = false;
    bool byteOrderMark_ = false;
    bool twoByteOnly_ = false;
    IniRefusal refusal_ = IniRefusal::kNone;
    int error_ = 0;
    std::string text_;
    // The value of each line: the text after the "=" of a key line, empty for other lines.
    std::vector<std::string_view> values_;
    // Line numbers of every section name and every key, ascending.
    std::unordered_map<std::string_view, std::vector<size_t>> sections_;
    std::unordered_map<std::string_view, std::vector<size_t>> keys_;
};
