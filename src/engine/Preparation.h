// Sources the transcoder cannot read as they are become one temporary file each before a run: CD tracks,
// DWVW AIFC and voice-recorder files are decoded into 16-bit PCM WAV files, a DVD title's VOB parts are
// joined into one file. The file is recorded as the item's preparedPath and reused while it exists.
#pragma once

#include <string>

#include "engine/BusyIndicator.h"
#include "platform/Result.h"
#include "sources/SourceItem.h"

// Decodes a CD track, DWVW AIFC or voice-recorder item (kinds 2 to 4) with the program's own reader into
// a temporary WAV file in folder (empty: the system's temporary folder), recorded as preparedPath. A
// failure ("Cancelled" after a cancel) leaves no temporary file behind.
Result<> decodeToWav(SourceItem& item, BusyIndicator& busy, const std::string& folder = {});

// Joins the VOB parts 1, 2, ... of a DVD title (kind 1) into a temporary file in folder (empty: the
// system's temporary folder), recorded as preparedPath. A cancel fails without a reason: the caller words
// it. No temporary file is left behind on failure.
Result<> joinDvdTitle(SourceItem& item, BusyIndicator& busy, const std::string& folder = {});

// True when the item was prepared and its temporary file still exists, so a later run can use it again.
bool preparedFileExists(const SourceItem& item);

// Prepares an item by its kind and sets its prepared flag to the outcome. Other kinds need no preparation
// and are refused.
Result<> prepareSource(SourceItem& item, BusyIndicator& busy);
