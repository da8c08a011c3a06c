#pragma once
// The link played through a script of bytes: replies, silences, partial frames, noise,
// unplugs, mode changes and download requests in any order, then a correct meter. Whatever
// came before, the correct meter must get a live reading through within one re-open, one
// greeting and one poll of the link's timers, and a whole report within the download's own
// deadlines; no byte the link writes is anything but a command. Time is the virtual clock's:
// the QCoreApplication must run on a VirtualClock.

#include <QString>
#include <cstddef>
#include <cstdint>

class VirtualClock;

// Plays `script`; the broken rule in *failure, or empty when every rule held.
QString playLinkScript(VirtualClock& clock, const uint8_t* script, size_t size);
