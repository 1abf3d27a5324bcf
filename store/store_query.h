// How the time query uses the machine.
#pragma once

#include <string>

#include "log_store.h"
#include "store_api.h"

// Whether queries may read the folders where the interval grid wants few lines on a helper
// thread beside the calling one: a batch of such folders is read there while the calling thread
// lists and selects the next batch, and what the helper has not taken when the calling thread
// wants the batch, the calling thread reads. On by default; the lines are delivered on the
// calling thread, in the same order and with the same bytes either way. With it off, every
// folder is read on the calling thread.
void SetQueryHelperThread(bool enabled);

// StoreQuery over one group of a store that no slot holds: its data folder (ending in "\\" or
// "/") and its root-index entry (ReadGroupsOf). It touches no slot and no lock, and the time
// query opens its files without one, so it may run on another thread beside the store functions.
// problem, when given, receives what the query could not read, as StoreQuery's does.
bool QueryGroupLines(const std::string& dataFolder, const LogGroup& group,
                     const CalendarTime* start, const CalendarTime* end, uint32_t interval,
                     void* context, StoreLineCallback callback, ReadProblem* problem = nullptr);

// Whether queries read the folders where the interval grid wants few lines through an io_uring
// ring, a batch of folders in one submission, where the kernel offers one (liburing in the
// build, a ring granted at run time); else, or when off, with preads. On by default; the output
// is the same either way.
void SetQueryIoRing(bool enabled);
