// Tags that the transcoder's MPEG-4 muxer drops because iTunes has no atom of its own for them (the
// ReplayGain values among them), written afterwards as iTunes freeform atoms: moov/udta/meta/ilst/----
// holding a mean ("com.apple.iTunes"), a name and a UTF-8 data atom.
#pragma once

#include <string>

#include "engine/OutputTags.h"
#include "platform/Result.h"

inline constexpr const char* kITunesFreeformMean = "com.apple.iTunes";

// Adds one freeform atom per tag, named as given, in place of any freeform atom of the same mean and name
// (compared without regard to case); of one name given twice the last value stays. Every other atom is
// kept; udta, meta (with its mdir handler) and ilst are made where missing, and the chunk offsets that
// point past the movie box move by what it grew or shrank. The file is written as a temporary sibling that
// replaces it only when complete, so a failure leaves it as it was. Refused: a file that is not MPEG-4
// (its first box is no ftyp), a cut-short or damaged box, a fragmented file, and a 32-bit chunk offset
// table whose offsets would pass 4 GB. No tags: the file is not touched. Memory: the movie box (refused
// above 256 MB) and a copy buffer; the media data is streamed.
Result<> addFreeformTags(const std::string& path, const TagList& tags);
