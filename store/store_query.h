// How the time query uses the machine.
#pragma once

// Whether queries may read the folders where the interval grid wants few lines on a helper
// thread beside the calling one. Off by default: on two busy cores it gained nothing measurable,
// and without it everything runs on the calling thread. The output is the same either way; with
// it off, every folder is read on the calling thread as it is delivered.
void SetQueryHelperThread(bool enabled);

// Whether queries read the folders where the interval grid wants few lines through an io_uring
// ring, a batch of folders in one submission, where the kernel offers one (liburing in the
// build, a ring granted at run time); else, or when off, with preads. On by default; the output
// is the same either way.
void SetQueryIoRing(bool enabled);
