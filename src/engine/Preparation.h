// Sources the transcoder cannot read as they are become one temporary file each before a run: CD tracks,
// DWVW AIFC and voice-recorder files are decoded into 16-bit PCM WAV files, a DVD title's VOB parts are
// joined into one file. The file is recorded as the item's preparedPath and reused while it exists.
#pragma once

#include <string>

#include "engine/BusyIndicator.h"
#include "sources/SourceItem.h"

// Decodes a CD track, DWVW AIFC or voice-recorder item (kinds 2 to 4) with the program's own reader into
// a temporary WAV file in folder (empty: the system's temporary folder). 1 on success with preparedPath
// set; 0 with a message in error ("Cancelled" after a cancel), and no temporary file left behind.
int decodeToWav(SourceItem& item, BusyIndicator& busy, std::string& error, const std::string& folder = {});

// Joins the VOB parts 1, 2, ... of a DVD title (kind 1) into a temporary file in folder (empty: the
// system's temporary folder). 1 on success with preparedPath set; 0 on failure with a message in error,
// except after a cancel, which leaves error as it was. No temporary file is left behind on failure.
int joinDvdTitle(SourceItem& item, BusyIndicator& busy, std::string& error, const std::string& folder = {});

// True when the item was prepared and its temporary file still exists, so a later run can use it again.
bool preparedFileExists(const SourceItem& item);

// Prepares an item by its kind and sets its prepared flag to the result (1 or 0). Other kinds need no
// preparation and are refused with a message.
int prepareSource(SourceItem& item, BusyIndicator& busy, std::string& error);
