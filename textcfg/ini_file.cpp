#include "ini_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "curve_settings.h"

std::string IniRefusalText(IniRefusal refusal, int error) {
    switch (refusal) {
        case IniRefusal::kNone:
            return std::string();
        case IniRefusal::kCannotOpen:
            if (error == EWOULDBLOCK)
                return "cannot be opened: another program has it open";
            return std::string("cannot be opened: ") + std::strerror(error);
        case IniRefusal::kFolder:
            return "is a folder, not a configuration file";
        case IniRefusal::kNotRegular:
            return "is not a regular file (a device, pipe or socket)";
        case IniRefusal::kTooLarge:
            return "is larger than 4 MiB, too large for a configuration file";
        case IniRefusal::kNulByte:
            return "holds a NUL byte: it is not a text file";
        case IniRefusal::kCrLineEnds:
            return "ends its lines with CR alone; save it with CR LF or LF line ends";
        case IniRefusal::kNotConfig:
            return "is not a configuration file (it has none of the sections LogName, Remark, "
                   "Channel, Display, YAxis and YGrid)";
    }
    return std::string();
}

void IniFile::SetDirectory(const std::string& folder) {
    directory_ = folder;
    std::string native = folder;
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    std::error_code ignored;  // one level; an existing folder or a failure is ignored
    if (!native.empty())
        std::filesystem::create_directory(native, ignored);
}

bool IniFile::OpenForWrite() {
    Close();
    out_.clear();
    writing_ = toFile_ = writer_.Begin(Path());
    return writing_;
}

void IniFile::OpenForWriteInMemory() {
    Close();
    out_.clear();
    writing_ = true;
    toFile_ = false;
}

bool IniFile::OpenForRead() {
    Close();
    const std::string path = Path();
    auto refuse = [this](IniRefusal why, int error) {
        refusal_ = why;
        error_ = error;
        return false;
    };
    // Only a regular file: a folder reads as nothing, and a pipe or device could block or
    // never end.
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0)
        return refuse(IniRefusal::kCannotOpen, path.empty() ? ENOENT : errno);
    if (S_ISDIR(st.st_mode))
        return refuse(IniRefusal::kFolder, 0);
    if (!S_ISREG(st.st_mode))
        return refuse(IniRefusal::kNotRegular, 0);
    if (st.st_size > kMaxFileBytes)
        return refuse(IniRefusal::kTooLarge, 0);
    int64_t size = 0;
    const int fd = storefs::OpenExclusive(path, storefs::OpenMode::kExistingRead, &size,
                                          storefs::Names::kExact);
    if (fd < 0)
        return refuse(IniRefusal::kCannotOpen, errno);
    if (size > kMaxFileBytes) {
        storefs::CloseFile(fd);
        return refuse(IniRefusal::kTooLarge, 0);
    }
    std::string text(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
    errno = 0;
    const bool read = storefs::ReadFully(fd, &text[0], text.size());
    const int error = errno;
    storefs::CloseFile(fd);
    if (!read)
        return refuse(IniRefusal::kCannotOpen, error != 0 ? error : EIO);
    return OpenText(std::move(text));
}

bool IniFile::OpenText(std::string text) {
    Close();
    refusal_ = IniRefusal::kNone;
    error_ = 0;
    if (text.size() > static_cast<size_t>(kMaxFileBytes)) {
        refusal_ = IniRefusal::kTooLarge;
        return false;
    }
    if (std::memchr(text.data(), '\0', text.size()) != nullptr) {
        refusal_ = IniRefusal::kNulByte;
        return false;
    }
    // Lines ended by CR alone (as old Macintosh editors save them) would read as one line, and
    // the file as empty: refused, so that the reason can be told.
    const size_t cr = text.find('\r');
    if (cr != std::string::npos && cr + 1 < text.size() && text.find('\n') == std::string::npos) {
        refusal_ = IniRefusal::kCrLineEnds;
        return false;
    }
    text_ = std::move(text);
    utf8_ = IsValidUtf8(text_.data(), text_.size());
    byteOrderMark_ = text_.compare(0, 3, "\xEF\xBB\xBF") == 0;
    bool twoByte = false;
    bool longer = false;
    for (unsigned char c : text_) {
        twoByte = twoByte || (c >= 0xC2 && c <= 0xDF);
        longer = longer || c >= 0xE0;
    }
    twoByteOnly_ = utf8_ && twoByte && !longer;
    Parse();
    reading_ = true;
    return true;
}

bool IniFile::Close() {
    bool ok = true;
    if (writing_ && toFile_) {
        ok = writer_.Write(out_.data(), out_.size()) && writer_.Commit();
        if (!ok)
            writer_.Abandon();
    }
    writing_ = toFile_ = false;
    reading_ = false;
    values_.clear();
    sections_.clear();
    keys_.clear();
    text_.clear();
    return ok;
}

namespace {

// text without the characters of `chars` at either end.
std::string_view Stripped(std::string_view text, std::string_view chars) {
    const size_t first = text.find_first_not_of(chars);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(chars) - first + 1);
}

}  // namespace

void IniFile::Parse() {
    std::string_view rest(text_);
    // Editors that save UTF-8 often put a byte-order mark before the first line.
    const std::string_view bom("\xEF\xBB\xBF");
    if (rest.substr(0, bom.size()) == bom)
        rest.remove_prefix(bom.size());
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        // Blanks left around a section line by hand editing do not hide the section.
        const std::string_view bare = Stripped(line, " \t");
        std::string_view value;
        if (bare.size() >= 2 && bare.front() == '[' && bare.back() == ']') {
            sections_[Stripped(bare.substr(1, bare.size() - 2), " ")].push_back(values_.size());
        } else {
            const size_t equals = line.find('=');
            if (equals != std::string_view::npos && equals > 0) {
                value = line.substr(equals + 1);
                keys_[line.substr(0, equals)].push_back(values_.size());
            }
        }
        values_.push_back(value);
    }
}

bool IniFile::WriteLine(const std::string& text) {
    if (!writing_)
        return false;
    for (char c : text) {
        if (c == '\n')
            out_ += '\r';
        out_ += c;
    }
    return true;
}

bool IniFile::WriteSection(const std::string& name) {
    return WriteLine("[" + name + "]\n");
}

bool IniFile::WriteInt(const std::string& key, int32_t value) {
    return WriteLine(key + "=" + std::to_string(value) + "\n");
}

bool IniFile::WriteString(const std::string& key, const std::string& text) {
    return WriteLine(key + "=" + text + "\n");
}

size_t IniFile::FindSection(const std::string& name, size_t from, size_t occurrence) const {
    const auto it = sections_.find(std::string_view(name));
    if (it == sections_.end())
        return kNoLine;
    const std::vector<size_t>& at = it->second;
    const auto first = std::lower_bound(at.begin(), at.end(), from);
    if (static_cast<size_t>(at.end() - first) <= occurrence)
        return kNoLine;
    return *(first + static_cast<std::ptrdiff_t>(occurrence));
}

bool IniFile::ReadStringBelow(size_t sectionLine, const std::string& key, std::string* out) const {
    if (!reading_ || sectionLine >= values_.size())
        return false;
    const auto it = keys_.find(std::string_view(key));
    if (it == keys_.end())
        return false;
    const auto next = std::upper_bound(it->second.begin(), it->second.end(), sectionLine);
    if (next == it->second.end())
        return false;
    *out = Trim(values_[*next]);
    return true;
}

bool IniFile::ReadIntBelow(size_t sectionLine, const std::string& key, int32_t* out) const {
    std::string text;
    if (!ReadStringBelow(sectionLine, key, &text))
        return false;
    *out = TextToInt(text);
    return true;
}

bool IniFile::ReadString(const std::string& section, const std::string& key,
                         std::string* out) const {
    return reading_ && ReadStringBelow(FindSection(section), key, out);
}

bool IniFile::ReadInt(const std::string& section, const std::string& key, int32_t* out) const {
    return reading_ && ReadIntBelow(FindSection(section), key, out);
}

std::string IniFile::Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return std::string();
    const size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

int32_t IniFile::TextToInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            break;  // held at the limit below
    }
    if (negative)
        value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}
