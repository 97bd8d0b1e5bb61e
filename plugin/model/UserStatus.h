#pragma once

// Bits of a performer's status word. 0 means off line (not in the site's list).
enum : unsigned long {
    STATUS_ONLINE = 0x01,
    STATUS_FREE = 0x02,
    STATUS_BUSY = 0x04,
    STATUS_PUBLIC = 0x08,
    STATUS_PRIVATE = 0x10,
};

// Old status of an event where no previous status applies.
constexpr unsigned long STATUS_NOT_MEANINGFUL = 0xFFFFFFFFUL;
