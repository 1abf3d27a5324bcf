// The configuration file of a view's texts and curve settings: title, remark, channel names and
// every display setting of a CurveSettings record, saved as an .ini file and loaded back. The
// layout (sections LogName, Remark, Channel, Display, YAxis, YGrid, the channel names as keys
// CH1, CH2, ... and one section per channel) is written in a fixed order that other programs
// read; see WriteConfig.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "curve_settings.h"
#include "ini_file.h"

// Turns one text from one code page into another; empty leaves texts as they are.
using TextRecoder = std::function<std::string(const std::string&)>;

struct ConfigCodec {
    // Record text (title, remark, names) into the file's code page, for the writer.
    TextRecoder toFile;
    // The writer's file is UTF-8: it starts with a byte-order mark, so that the reader takes it
    // for UTF-8 whatever its text (short Chinese in the panels' code page can pass for UTF-8
    // too, so without the mark a file is judged by its text).
    bool utf8File = false;
    // Text of a file that is UTF-8 into the record's code page, for the reader.
    TextRecoder fromUtf8File;
    // Text of any other file (the panels' code page) into the record's code page, for the
    // reader; empty takes such texts as they are.
    TextRecoder fromCodePageFile;
};

// text without its line breaks: every CR and every LF byte is dropped, nothing else. (Neither
// byte is ever part of a double-byte character.)
std::string RemoveLineBreaks(std::string_view text);

// Writes the file's lines to an open IniFile (after a byte-order mark for a UTF-8 file): title
// and remark as given (the remark's line breaks removed), everything else from settings. Values are
// written up to a NUL and without CR or LF, so each stays on its line. False when nothing is open
// for writing.
bool WriteConfig(IniFile* ini, const std::string& title, const std::string& remark,
                 const CurveSettings& settings, const ConfigCodec& codec = {});

// Writes the configuration file at path (the folder it names is created, one level). False when
// the file cannot be created or written; an existing file is then left as it was.
bool WriteConfigFile(const std::string& path, const std::string& title, const std::string& remark,
                     const CurveSettings& settings, const ConfigCodec& codec = {});

// Reads an open configuration file into settings: title and remark (also into *title and
// *remark), the display settings and, for each channel of the file that the record has (the
// file's channel j is the record's channel with index j), its name, visibility, colour and line
// type. The record keeps its channelCount and indexes; shownCount and every showIndex are
// recomputed from the channels' visibility. A missing title or remark reads as empty, a missing
// background or curve colour as 0, a missing Y limit or grid spacing as 0.0; other missing
// numbers keep their value. Numbers are stored as read, in range or not, visibility too (a
// channel shows only when it is 1, so 2 stays hidden). Names are cut to the
// channel's 31 bytes. False, with nothing changed, when the text is not a configuration file
// (none of the six fixed sections).
bool ReadConfig(const IniFile& ini, CurveSettings* settings, std::string* title,
                std::string* remark, const ConfigCodec& codec = {});

// Opens the file at path and reads it with ReadConfig. False, with nothing changed, when it
// cannot be opened or read (see IniFile::OpenForRead) or is not a configuration file; *refusal
// (when given) then says why, and *error the errno of a file that could not be opened or read.
bool ReadConfigFile(const std::string& path, CurveSettings* settings, std::string* title,
                    std::string* remark, const ConfigCodec& codec = {},
                    IniRefusal* refusal = nullptr, int* error = nullptr);
