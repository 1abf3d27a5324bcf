#include "write_inverted.h"

#include <errno.h>
#include <unistd.h>

#include "file_system.h"

namespace {

bool WritePieces(int fd, const char* bytes, uint32_t length, uint32_t* written, bool invert) {
    if (written != nullptr)
        *written = 0;
    if (bytes == nullptr || !storefs::IsOpen(fd)) {
        return false;
    }
    thread_local char scratch[kWritePiece];
    uint32_t done = 0;
    while (done < length) {
        const uint32_t piece = length - done < kWritePiece ? length - done : kWritePiece;
        const char* src = bytes + done;
        if (invert) {
            storefs::InvertBytes(scratch, src, piece);
            src = scratch;
        }
        // A short write continues from where it stopped within the same piece.
        uint32_t pieceDone = 0;
        while (pieceDone < piece) {
            ssize_t w = write(fd, src + pieceDone, piece - pieceDone);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                if (written != nullptr)
                    *written = done + pieceDone;
                return false;
            }
            pieceDone += static_cast<uint32_t>(w);
        }
        done += piece;
    }
    if (written != nullptr)
        *written = done;
    return true;
}

}  // namespace

bool WriteInverted(int fd, const char* bytes, uint32_t length, uint32_t* written) {
    return WritePieces(fd, bytes, length, written, true);
}

bool WritePlain(int fd, const char* bytes, uint32_t length, uint32_t* written) {
    return WritePieces(fd, bytes, length, written, false);
}
