// Internal to the store functions: access to the process-wide store slots.
#pragma once

class LogStore;

// The open store of kind 0 or 1, or null.
LogStore* SlotStore(int kind);
