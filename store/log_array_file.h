// A file of fixed-size binary elements, held whole in memory while open and written back by
// appending. On disk every byte is inverted.
#pragma once

#include <string>

#include "element_array.h"

class LogArrayFile {
  public:
    explicit LogArrayFile(uint32_t elementSize) : elements_(elementSize) {}
    ~LogArrayFile() { Close(); }
    LogArrayFile(const LogArrayFile&) = delete;
    LogArrayFile& operator=(const LogArrayFile&) = delete;

    const std::string& Path() const { return path_; }
    bool IsOpen() const { return fd_ >= 0; }

    // As LogTextFile::Open without header lines. The content is read only when the file size is
    // an exact multiple of the element size; otherwise the file stays open with no elements and
    // the file position at its start.
    bool Open(const char* path, bool openOnly);

    // Writes the elements from Flushed() on, inverted; see LogTextFile::Flush.
    bool Flush();

    // Flushes and closes the handle, then empties the array. Always true.
    bool Close();

    ElementArray& Elements() { return elements_; }
    const ElementArray& Elements() const { return elements_; }

    void SetDeviceSync(bool sync) { deviceSync_ = sync; }

  private:
    void CloseHandle();

    int fd_ = -1;
    std::string path_;
    ElementArray elements_;
    bool deviceSync_ = true;
};
