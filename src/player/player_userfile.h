// The player files of the user folder ("Profiles.xml", "Hiscores.xml"): XML documents scrambled
// byte by byte on disk, written atomically, and kept aside when they cannot be read.
#pragma once

#include "engine/base/engine_filesys.h"

#include <string>

class CXMLFile;

enum class EPlayerFileRead {
    Missing,   // no file of that name
    Read,      // the document is read and holds the root element
    Damaged    // the file exists but does not parse or lacks its root; it was moved aside
};

// Reads the bytes as a player file into the document: unscrambled first, except, when plain text is
// allowed, a text that starts with '<' (or a UTF-8 byte-order mark). False when the text does not
// parse or the root element is missing (the reason is logged).
bool ParsePlayerFile(const ByteVector& bytes, bool plain_allowed, const char* root, CXMLFile& doc);

// Reads the disk file of the path. A file that does not parse or lacks its root element is logged
// and moved aside ("<path>.bad-<n>") so that no later save overwrites it; `what` names the file's
// content in the log line ("profiles", "hiscores").
EPlayerFileRead ReadPlayerFile(const std::string& path, bool plain_allowed, const char* root, const char* what,
                               CXMLFile& doc);

// Writes the document scrambled to the path, atomically (a temporary file renamed over the old one).
// False when it could not be written; the old file then stays as it was.
bool WritePlayerFile(const std::string& path, const CXMLFile& doc);
